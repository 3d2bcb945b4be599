#!/usr/bin/python3
"""Checks that Windows executables import only what the committed list allows.

Usage: check-imports.py LIST NAME=EXE...

LIST is installer/imports.txt: sections "[NAME]" with one "DLL function 95 NT" line per
allowed import. Every function EXE imports must be listed in its section NAME, with
the oldest Windows of both families filled in. Fails (exit status 1) naming each import
that is not listed; listed functions no longer imported are only reported, so the list
can be trimmed. Needs Debian's python3-pefile."""
import sys

import pefile


def read_list(path):
    sections, current = {}, None
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            if line.startswith('[') and line.endswith(']'):
                current = sections.setdefault(line[1:-1], set())
                continue
            fields = line.split()
            if current is None or len(fields) != 4:
                sys.exit('%s:%d: expected "DLL function 95-family NT-family"' % (path, number))
            current.add((fields[0].upper(), fields[1]))
    return sections


def imports(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_IMPORT'],
                     pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT']])
    found = set()
    for table in ('DIRECTORY_ENTRY_IMPORT', 'DIRECTORY_ENTRY_DELAY_IMPORT'):
        for dll in getattr(pe, table, []):
            for entry in dll.imports:
                name = entry.name.decode() if entry.name else '#%d' % entry.ordinal
                found.add((dll.dll.decode().upper(), name))
    return found


def main(argv):
    if len(argv) < 3 or not all('=' in a for a in argv[2:]):
        sys.exit(__doc__)
    allowed = read_list(argv[1])
    failed = False
    for pair in argv[2:]:
        name, exe = pair.split('=', 1)
        if name not in allowed:
            sys.exit('%s: no section [%s]' % (argv[1], name))
        got = imports(exe)
        for dll, function in sorted(got - allowed[name]):
            print('%s imports %s!%s, which %s does not list' % (exe, dll, function, argv[1]))
            failed = True
        for dll, function in sorted(allowed[name] - got):
            print('note: %s no longer imports %s!%s' % (exe, dll, function))
        if not failed:
            print('%s: %d imports, all listed' % (exe, len(got)))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
