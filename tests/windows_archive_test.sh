#!/usr/bin/env bash
# The Windows archive of a Windows build: made with cpack, holding both programs, the
# user's guide for them (no build steps) as README.txt with CR LF line ends, and the
# licences of the runtime linked in.
#   windows_archive_test.sh BUILD_DIR
set -euo pipefail
build=$1
(cd "$build" && rm -f zandrel2-*.zip && cpack -G ZIP >/dev/null)
archive=$(ls "$build"/zandrel2-*.zip)
python3 - "$archive" <<'PYTHON'
import sys
import zipfile

archive = zipfile.ZipFile(sys.argv[1])
names = sorted(archive.namelist())
expected = ["README.txt", "Zandrel2.exe", "licences/gcc-runtime-libraries.txt", "licences/mingw-w64-runtime.txt",
            "zandrel2-install.exe"]
failures = [f"{name} missing" for name in expected if name not in names]
readme = archive.read("README.txt") if "README.txt" in names else b""
if readme.count(b"\n") != readme.count(b"\r\n") or not readme.startswith(b"Zandrel2 for Windows: user's guide"):
    failures.append("README.txt is not the user's guide with CR LF line ends")
if b"cmake" in readme or b"apt-get" in readme:
    failures.append("README.txt holds build steps")
print(f"{sys.argv[1].rsplit('/', 1)[-1]}: {', '.join(names)}")
for failure in failures:
    print(f"FAIL: {failure}", file=sys.stderr)
sys.exit(1 if failures else 0)
PYTHON
