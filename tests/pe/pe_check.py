"""Checks that a PE file of ours loads on Windows XP SP3, 32-bit, and keeps its interface:
    /usr/bin/python3 pe_check.py --role readertest|paneltest|wzio|ch341dll|kavio [--exports NAME,...] FILE
Imports: exactly the role's lines in xp_imports.txt, each with its evidence. wzio
exports exactly the --exports list (CMake keeps it); a stand-in exports exactly
what its user imports from the vendor's DLL. Prints every problem, one line
each, and exits 1 when there is one.
"""
import argparse
import fnmatch
import pathlib
import sys

import pefile

ALLOWLIST = pathlib.Path(__file__).with_name("xp_imports.txt")
# A stand-in binds as the vendor's DLL does: {role: (the role that imports it, DLL name)}.
STAND_INS = {"ch341dll": ("wzio", "CH341DLL.DLL"), "kavio": ("readertest", "kavio.dll")}
ROLES = ("readertest", "paneltest", "wzio", *STAND_INS)
XP_SUBSYSTEM = (5, 1)
ASLR = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"]
DEP = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]


def key(name):
    """DLL!function with the DLL in lower case: Windows finds DLLs without case."""
    dll, _, function = name.partition("!")
    return f"{dll.lower()}!{function}"


def read_allowlist(role, problems):
    """The role's allowed imports as {key: name as written}; bad lines go to problems."""
    lines = [line.split("#")[0].split() for line in ALLOWLIST.read_text().splitlines()]
    evidence = {fields[1] for fields in lines if fields[:1] == ["evidence"]}
    allowed = {}
    for number, fields in enumerate(lines, 1):
        if not fields or fields[0] == "evidence":
            continue
        if len(fields) < 3 or "!" not in fields[0] or fields[1] not in evidence:
            problems.append(f"{ALLOWLIST.name} line {number}: not DLL!function, a declared evidence word, roles")
        elif role in fields[2:]:
            allowed[key(fields[0])] = fields[0]
    return allowed


def check_headers(pe):
    if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]:
        yield f"not a 32-bit x86 file (machine {pe.FILE_HEADER.Machine:#x})"
    version = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    if version > XP_SUBSYSTEM:
        yield "subsystem version {}.{} is above Windows XP's {}.{}".format(*version, *XP_SUBSYSTEM)
    for bit, name in ((ASLR, "ASLR (DYNAMIC_BASE)"), (DEP, "DEP (NX_COMPAT)")):
        if not pe.OPTIONAL_HEADER.DllCharacteristics & bit:
            yield f"does not ask for {name}"


def check_imports(pe, allowed):
    imported = {key(name): name for name in
                (f"{entry.dll.decode()}!{symbol.name.decode() if symbol.name else f'#{symbol.ordinal}'}"
                 for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) for symbol in entry.imports)}
    for name_key, name in imported.items():
        if not any(fnmatch.fnmatchcase(name_key, pattern) for pattern in allowed):
            yield f"imports {name}, which is not on its list in {ALLOWLIST.name}"
    for pattern, name in allowed.items():
        if "*" not in pattern and pattern not in imported:
            yield f"no longer imports {name}: take it off its list in {ALLOWLIST.name}"


def check_delay_load(pe):
    # Delay-loaded functions are bound at first call, past the loader's check.
    delayed = [f"{entry.dll.decode()}!{(symbol.name or b'#').decode()}"
               for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []) for symbol in entry.imports]
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]]
    if delayed or directory.VirtualAddress:
        yield "has a delay-load directory" + "".join(f", {name}" for name in delayed)


def check_exports(pe, expected):
    export = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    exported = [(symbol.name or f"#{symbol.ordinal}".encode()).decode() for symbol in export.symbols] if export else []
    for name in sorted(set(exported) - set(expected)):
        yield f"exports {name}, which is not on its export list"
    for name in sorted(set(expected) - set(exported)):
        yield f"does not export {name}"


def tls_note(pe):
    # Before Vista the loader sets up no TLS block for a DLL loaded with LoadLibrary.
    tls = getattr(pe, "DIRECTORY_ENTRY_TLS", None)
    if tls and pe.is_dll():
        size = tls.struct.EndAddressOfRawData - tls.struct.StartAddressOfRawData
        yield (f"carries MinGW-w64's start-up TLS directory ({size} bytes of data): no documented option"
               " drops it; nothing reads the data, so XP not setting it up under LoadLibrary does no harm")


def check(path, role, exports):
    """(problems, notes) of the PE file at path in the given role."""
    problems = []
    allowed = read_allowlist(role, problems)
    try:
        pe = pefile.PE(path)
    except (OSError, pefile.PEFormatError) as error:
        return problems + [f"cannot be read as a PE file: {error}"], []
    if role in STAND_INS:
        user, dll = STAND_INS[role]
        exports = [pattern.partition("!")[2] for pattern in read_allowlist(user, [])
                   if pattern.startswith(key(f"{dll}!"))]
    problems += [*check_headers(pe), *check_imports(pe, allowed), *check_delay_load(pe),
                 *check_exports(pe, exports)]
    return problems, list(tls_note(pe))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--role", required=True, choices=ROLES)
    parser.add_argument("--exports", default="", help="comma-separated names the file must export")
    parser.add_argument("file")
    args = parser.parse_args()
    if args.role == "wzio" and not args.exports:
        parser.error("--role wzio needs --exports, wzio's export list as CMake keeps it")
    problems, notes = check(args.file, args.role, [name for name in args.exports.split(",") if name])
    out = [f"note: {args.file}: {note}" for note in notes]
    out += [f"FAIL: {args.file}: {problem}" for problem in problems] or [f"ok: {args.file}"]
    print("\n".join(out))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
