#!/usr/bin/env bash
# cpack -G DEB: the package unpacks into /usr with its copyright file and manual pages, and its
# photonxs-cli lists the library it carries, both through a fresh user's working folder and
# through --root.
# Usage: deb_test.sh BUILD_FOLDER
build="$1"
# shellcheck source=tests/packaging/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
need_tools cpack dpkg-deb dpkg-shlibdeps help2man

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$scratch/cpack.log")"
package="$(find "$scratch/out" -maxdepth 1 -name 'photonxs_*.deb')"
[ -n "$package" ] || fail "cpack made no photonxs_*.deb"
depends="$(dpkg-deb --field "$package" Depends)"
grep -q "libqt6widgets6" <<<"$depends" || fail "the package does not depend on Qt: $depends"

root="$scratch/root"
dpkg -x "$package" "$root"
cli="$root/usr/bin/photonxs-cli"
[ -x "$root/usr/bin/photonxs" ] || fail "the package has no usr/bin/photonxs"
description="$(dpkg-deb --field "$package" Description)"
[[ "$description" != *";"* ]] || fail "the package description holds a ';': $description"
copyright="$root/usr/share/doc/photonxs/copyright"
format=https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
[ "$(head -1 "$copyright" 2>/dev/null)" = "Format: $format" ] ||
    fail "usr/share/doc/photonxs/copyright is missing or not machine-readable"
grep -q '^License: Expat' "$copyright" || fail "the copyright file does not name the licence"
for program in photonxs photonxs-cli; do
    zcat "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -q "^\.TH ${program^^} " ||
        fail "the package has no manual page $program.1.gz"
done
# The Python module, in Debian's package folder, answers from the packaged library. A sanitizer
# build's module needs its run-time preloaded into the interpreter; the normal build checks it.
if [ -z "${PHOTONXS_SANITIZED:-}" ]; then
    total="$("$cli" --root "$root/usr/share/photonxs" --digits 17 --format csv at Pb 0.662 | tail -1)"
    (cd "$scratch" && env -u PHOTONXS_HOME PYTHONPATH="$root/usr/lib/python3/dist-packages" \
        /usr/bin/python3 -c 'import os, sys, photonxs
assert os.path.samefile(photonxs.Library().root, sys.argv[1]), photonxs.Library().root
assert photonxs.mu_rho("Pb", 0.662)["total"] == float(sys.argv[2].split(",")[-1])' \
        "$root/usr/share/photonxs" "$total") || fail "the packaged Python module does not answer"
fi
expected="$(library_files "$root/usr/share/photonxs" | grep -c '\.\(ele\|mix[123]\)$')"

listing="$(user_cli "$cli" --no-header list)" || fail "the packaged photonxs-cli list failed"
[ "$(wc -l <<<"$listing")" -eq "$expected" ] ||
    fail "photonxs-cli list shows $(wc -l <<<"$listing") files, the package carries $expected"
[ -f "$scratch/home/PhotonXS/Start.dat" ] || fail "the home folder PhotonXS was not filled"

rooted="$("$cli" --no-header --root "$root/usr/share/photonxs" list)" || fail "photonxs-cli --root list failed"
[ "$rooted" = "$listing" ] || fail "the library in the package and its copy list differently"
echo "package $(basename "$package") checked"
