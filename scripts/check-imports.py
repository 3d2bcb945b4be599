#!/usr/bin/python3
"""Checks what the Windows executables that reach a person need from Windows.

Usage: check-imports.py LIST TABLE NAME=EXE... [--header-only EXE...]

LIST is installer/imports.txt: sections "[NAME]" with one "DLL function 95 NT" line per
allowed import. TABLE is installer/windows-versions.txt: what each Windows added, with
references. Fails (exit status 1), naming each fault, when
  - an EXE imports a function that its section NAME does not list;
  - a row of LIST is not in TABLE, or claims other Windows versions than TABLE gives,
    or claims anything newer than Windows 95 and NT 4.0 (what ships must start there);
  - TABLE disagrees with the MinGW-w64 headers where it cites them (reference H: the
    function is declared at _WIN32_WINNT 0x0400; H>=N: only from N on), checked by
    compiling a probe with the 32-bit MinGW-w64 compiler;
  - an EXE's PE header (the --header-only ones too) asks for a subsystem or OS version
    above 4.0 (Windows 95 and NT 4.0 refuse to start a GUI program that does), carries
    a link time, or has a checksum that does not match its bytes.
Listed functions no longer imported are only reported, so the list can be trimmed.
Needs Debian's python3-pefile."""
import os
import re
import subprocess
import sys
import tempfile

import pefile

SHIPPED_95 = {'95', '95-stub', '95-crt'}
SHIPPED_NT = {'NT4'}
FAMILY_95 = SHIPPED_95 | {'98', 'none'}
FAMILY_NT = SHIPPED_NT | {'2000', 'XP', 'Vista', '7', '8', '10', '11'}
PROBE_CC = 'i686-w64-mingw32-gcc'
PROBE_FLAGS = ['-DWINVER=0x0400', '-D_WIN32_IE=0x0300']
HEADER_DLLS = {'KERNEL32.DLL', 'USER32.DLL', 'GDI32.DLL'}


def rows(path):
    """(line number, section or None, fields) for each non-empty line."""
    section = None
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            if line.startswith('[') and line.endswith(']'):
                section = line[1:-1]
                continue
            yield number, section, line.split()


def read_list(path):
    sections = {}
    for number, section, fields in rows(path):
        if section is None or len(fields) != 4:
            sys.exit('%s:%d: expected "DLL function 95-family NT-family"' % (path, number))
        sections.setdefault(section, {})[(fields[0].upper(), fields[1])] = (
            number, fields[2], fields[3])
    return sections


def read_table(path):
    table = {}
    for number, _, fields in rows(path):
        if len(fields) != 5 or fields[2] not in FAMILY_95 or fields[3] not in FAMILY_NT:
            sys.exit('%s:%d: expected "DLL function 95-family NT-family references"'
                     % (path, number))
        table[(fields[0].upper(), fields[1])] = (fields[2], fields[3], fields[4].split(','))
    return table


def declared(functions, winnt):
    """The functions that the MinGW-w64 headers declare at _WIN32_WINNT winnt."""
    with tempfile.TemporaryDirectory() as tmp:
        probe = os.path.join(tmp, 'probe.c')
        with open(probe, 'w') as f:
            f.write('#include <windows.h>\n')
            for i, name in enumerate(functions):
                f.write('void *probe%d = (void *)&%s;\n' % (i, name))
        run = subprocess.run([PROBE_CC, '-fsyntax-only', '-D_WIN32_WINNT=' + winnt] +
                             PROBE_FLAGS + [probe], capture_output=True, text=True)
    missing = set(re.findall(r"'(\w+)' undeclared", run.stderr.replace('\u2018', "'")
                             .replace('\u2019', "'")))
    if run.returncode != 0 and not missing:
        sys.exit('check-imports.py: the header probe did not compile:\n' + run.stderr)
    return set(functions) - missing


def check_table(table, path):
    problems = []
    plain = sorted(f for (dll, f), (_, _, refs) in table.items()
                   if dll in HEADER_DLLS and 'H' in refs)
    have = declared(plain, '0x0400')
    for f in plain:
        if f not in have:
            problems.append('%s: %s is cited as declared at 0x0400 (H), but the headers '
                            'declare it only for a newer Windows' % (path, f))
    for (dll, f), (_, _, refs) in sorted(table.items()):
        for ref in refs:
            if ref.startswith('H>='):
                if f in declared([f], '0x0400') or f not in declared([f], ref[3:]):
                    problems.append('%s: the headers do not declare %s from %s only'
                                    % (path, f, ref[3:]))
    return problems


def check_list(allowed, table, list_path):
    problems = []
    for section, entries in allowed.items():
        for (dll, f), (number, v95, vnt) in sorted(entries.items()):
            where = '%s:%d: [%s] %s!%s' % (list_path, number, section, dll, f)
            if v95 not in SHIPPED_95 or vnt not in SHIPPED_NT:
                problems.append('%s claims %s / %s, but what ships must run on Windows 95 '
                                'and NT 4.0' % (where, v95, vnt))
            if (dll, f) not in table:
                problems.append('%s is not in the table of what each Windows added' % where)
            elif table[(dll, f)][:2] != (v95, vnt):
                problems.append('%s claims %s / %s; the table says %s / %s'
                                % (where, v95, vnt, *table[(dll, f)][:2]))
    return problems


def check_header(path):
    pe = pefile.PE(path, fast_load=True)
    opt = pe.OPTIONAL_HEADER
    problems = []
    for what, major, minor in (
            ('subsystem', opt.MajorSubsystemVersion, opt.MinorSubsystemVersion),
            ('OS', opt.MajorOperatingSystemVersion, opt.MinorOperatingSystemVersion)):
        if (major, minor) > (4, 0):
            problems.append('%s: %s version %d.%d; Windows 95 and NT 4.0 need 4.0 at most'
                            % (path, what, major, minor))
    if pe.FILE_HEADER.TimeDateStamp != 0:
        problems.append('%s: carries a link time (%d); builds must be reproducible'
                        % (path, pe.FILE_HEADER.TimeDateStamp))
    if opt.CheckSum != pe.generate_checksum():
        problems.append('%s: checksum 0x%X in the header, 0x%X computed'
                        % (path, opt.CheckSum, pe.generate_checksum()))
    return problems


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
    args = argv[1:]
    header_only = []
    if '--header-only' in args:
        at = args.index('--header-only')
        args, header_only = args[:at], args[at + 1:]
    if len(args) < 3 or not all('=' in a for a in args[2:]):
        sys.exit(__doc__)
    list_path, table_path = args[0], args[1]
    allowed = read_list(list_path)
    table = read_table(table_path)
    problems = check_list(allowed, table, list_path) + check_table(table, table_path)
    for pair in args[2:]:
        name, exe = pair.split('=', 1)
        if name not in allowed:
            sys.exit('%s: no section [%s]' % (list_path, name))
        got = imports(exe)
        listed = set(allowed[name])
        for dll, function in sorted(got - listed):
            problems.append('%s imports %s!%s, which %s does not list'
                            % (exe, dll, function, list_path))
        for dll, function in sorted(listed - got):
            print('note: %s no longer imports %s!%s' % (exe, dll, function))
        problems += check_header(exe)
        print('%s: %d imports, all listed; PE header checked' % (exe, len(got)))
    for exe in header_only:
        problems += check_header(exe)
        print('%s: PE header checked' % exe)
    for p in problems:
        print('FAIL: ' + p)
    if not problems:
        print('%s agrees with %s (%d functions) and with the MinGW-w64 headers'
              % (list_path, table_path, len(table)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
