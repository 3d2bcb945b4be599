#!/usr/bin/python3
"""Fails unless every test of a CTest tree is bounded by a TIMEOUT of its own.

Usage: check-timeouts.py BUILD_DIR [MAX_SECONDS]

Reads the tree's tests as CTest lists them (`ctest --show-only=json-v1`, which also
lists the GoogleTest cases discovered when CTest runs) and names every test without a
TIMEOUT property or with one above MAX_SECONDS (default 300). A hang then fails that
one test instead of stalling the whole run."""
import json
import subprocess
import sys


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit(__doc__)
    limit = float(argv[2]) if len(argv) == 3 else 300.0
    listing = subprocess.run(['ctest', '--test-dir', argv[1], '--show-only=json-v1'],
                             stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if listing.returncode != 0:
        sys.exit('check-timeouts.py: ctest cannot list the tests of %s:\n%s'
                 % (argv[1], listing.stderr))
    tests = json.loads(listing.stdout).get('tests', [])
    bad = []
    for test in tests:
        timeout = None
        for prop in test.get('properties', []):
            if prop.get('name') == 'TIMEOUT':
                timeout = float(prop.get('value'))
        if timeout is None or timeout <= 0 or timeout > limit:
            bad.append('%s (TIMEOUT %s)' % (test['name'], timeout))
    if not tests:
        sys.exit('check-timeouts.py: %s has no tests' % argv[1])
    if bad:
        print('check-timeouts.py: %d of %d tests in %s are not bounded (at most %g s):'
              % (len(bad), len(tests), argv[1], limit))
        for b in bad:
            print('  ' + b)
        return 1
    print('%s: all %d tests have a timeout of at most %g s' % (argv[1], len(tests), limit))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
