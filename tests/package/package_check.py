"""Builds the cabinet package of a win32 build and checks it: exactly the five
files that go on a cabinet, their checksums, an operator text with Windows
line ends and the version, every PE passing the PE check (tests/pe), and each
PE's version resource carrying CMake's version.
    package_check.py CMAKE BUILD_DIR VERSION WZIO_EXPORTS
"""
import hashlib
import io
import pathlib
import re
import subprocess
import sys
import tempfile
import zipfile

import pefile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "pe"))
import pe_check

cmake, build, version, wzio_exports = sys.argv[1:5]
folder = "cabinet-io-win32"
names = ["readertest.exe", "paneltest.exe", "wzio.dll", "README.txt", "SHA256SUMS.txt"]
pe_roles = {"readertest.exe": ("readertest", []), "paneltest.exe": ("paneltest", []),
            "wzio.dll": ("wzio", wzio_exports.split(","))}
failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


made = subprocess.run([cmake, "--build", build, "--target", "package"],
                      capture_output=True, text=True)
if made.returncode != 0:
    sys.exit(f"{made.stdout}{made.stderr}FAIL: the package target failed")
package = f"{build}/{folder}.zip"
zip_bytes = pathlib.Path(package).read_bytes()
check(f"{hashlib.sha256(zip_bytes).hexdigest()}  {folder}.zip" in made.stdout,
      f"the package step did not print the ZIP's SHA-256:\n{made.stdout}")

header = pathlib.Path(f"{build}/version/io_version.h").read_text(encoding="utf-8")
text = re.search(r'#define IO_VERSION_TEXT "(.*)"', header).group(1)
check(re.fullmatch(re.escape(version) + r"( \([0-9a-f]{7}(-dirty)?\))?", text),
      f"IO_VERSION_TEXT {text!r} is not CMake's version {version} and a commit")
major, minor, patch = (int(part) for part in version.split("."))

archive = zipfile.ZipFile(io.BytesIO(zip_bytes))
files = {info.filename.removeprefix(f"{folder}/"): archive.read(info) for info in archive.infolist()}
check(archive.namelist() == [f"{folder}/{name}" for name in names],
      f"the ZIP holds {archive.namelist()}, expected {folder}/ with {names} in that order")

sums = files.get("SHA256SUMS.txt", b"").decode("ascii")
listed = {name: digest for digest, _, name in (line.partition("  ") for line in sums.split("\r\n") if line)}
actual = {name: hashlib.sha256(files.get(name, b"")).hexdigest() for name in names[:4]}
check(listed == actual, f"SHA256SUMS.txt says {listed}, the files are {actual}")

readme = files.get("README.txt", b"").decode("utf-8")
check(readme and all(line.endswith("\r") for line in readme.split("\n")[:-1]),
      "README.txt has lines without a Windows line end")
check(f"Cabinet I/O {text}" in readme, f"README.txt does not name version {text}")

with tempfile.TemporaryDirectory() as unpacked:
    for name, (role, exports) in pe_roles.items():
        if name not in files:
            continue  # reported with the file list
        path = f"{unpacked}/{name}"
        pathlib.Path(path).write_bytes(files[name])
        problems, _ = pe_check.check(path, role, exports)
        failures += [f"{name}: {problem}" for problem in problems]
        pe = pefile.PE(path)
        fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
        numbers = (major << 16 | minor, patch << 16)
        check(fixed and (fixed.FileVersionMS, fixed.FileVersionLS) == numbers
              and (fixed.ProductVersionMS, fixed.ProductVersionLS) == numbers,
              f"{name}: the fixed version is not {version}.0")
        strings = {key.decode(): value.decode()
                   for info in getattr(pe, "FileInfo", [[]])[0] if info.Key == b"StringFileInfo"
                   for table in info.StringTable for key, value in table.entries.items()}
        description = strings.pop("FileDescription", "")
        check(description, f"{name}: no FileDescription")
        expected = {"FileVersion": text, "ProductVersion": text, "ProductName": "Cabinet I/O",
                    "OriginalFilename": name, "InternalName": name.rsplit(".", 1)[0]}
        check(strings == expected, f"{name}: version strings {strings}, expected {expected}")

print("\n".join(f"FAIL: {failure}" for failure in failures) or f"ok: {package}, Cabinet I/O {text}")
sys.exit(1 if failures else 0)
