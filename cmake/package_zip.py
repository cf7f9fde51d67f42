"""Makes the cabinet package, the same bytes from the same commit on any day
in any folder, and prints its SHA-256:

    package_zip.py ZIP FOLDER VERSION_HEADER EPOCH_FILE README PE...

The ZIP holds FOLDER/ with the PE files, README (CRLF line ends, the version
filled in for @IO_VERSION_TEXT@) and SHA256SUMS.txt over those, in that
order. Every entry has the time of EPOCH_FILE (UTC), mode 0644 and Unix as its
origin, so nothing of the machine, the clock or the umask gets in.
"""
import hashlib
import os
import re
import sys
import time
import zipfile


def version_text(header_path):
    with open(header_path, encoding="utf-8") as header:
        match = re.search(r'^#define IO_VERSION_TEXT "([^"]*)"$', header.read(), re.M)
    if not match:
        sys.exit(f"package: no IO_VERSION_TEXT in {header_path}")
    return match.group(1)


def crlf(text):
    return "".join(line.rstrip("\r\n") + "\r\n" for line in text.splitlines())


def main(zip_path, folder, header_path, epoch_path, readme_path, *pe_paths):
    with open(epoch_path, encoding="ascii") as epoch_file:
        # The stamp never goes below 1980, the earliest time a ZIP entry can carry.
        epoch = int(epoch_file.read())
    date_time = time.gmtime(epoch)[:6]

    entries = []
    for path in pe_paths:
        with open(path, "rb") as pe:
            entries.append((os.path.basename(path), pe.read()))
    version = version_text(header_path)
    with open(readme_path, encoding="utf-8") as readme:
        text = readme.read().replace("@IO_VERSION_TEXT@", version)
    entries.append(("README.txt", crlf(text).encode("utf-8")))
    # sha256sum's format; CRLF so Notepad shows it line by line, which sha256sum -c takes too.
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\r\n" for name, data in entries)
    entries.append(("SHA256SUMS.txt", sums.encode("ascii")))

    partial = zip_path + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(f"{folder}/{name}", date_time)
            info.create_system = 3  # Unix, so that the mode below counts
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    os.replace(partial, zip_path)

    with open(zip_path, "rb") as package:
        digest = hashlib.sha256(package.read()).hexdigest()
    print(f"Cabinet I/O {version}: {zip_path}, SHA-256:")
    print(f"{digest}  {os.path.basename(zip_path)}")


if __name__ == "__main__":
    if len(sys.argv) < 7:
        sys.exit(__doc__)
    main(*sys.argv[1:])
