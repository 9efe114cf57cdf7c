#!/usr/bin/env bash
# cpack -G DEB: the package unpacks into /usr and its photonxs-cli lists the library it carries,
# both through a fresh user's working folder and through --root.
# Usage: deb_test.sh BUILD_FOLDER
build="$1"
# shellcheck source=tests/packaging/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
need_tools cpack dpkg-deb dpkg-shlibdeps

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
expected="$(library_files "$root/usr/share/photonxs" | grep -c '\.\(ele\|mix[123]\)$')"

listing="$(user_cli "$cli" --no-header list)" || fail "the packaged photonxs-cli list failed"
[ "$(wc -l <<<"$listing")" -eq "$expected" ] ||
    fail "photonxs-cli list shows $(wc -l <<<"$listing") files, the package carries $expected"
[ -f "$scratch/home/PhotonXS/Start.dat" ] || fail "the home folder PhotonXS was not filled"

rooted="$("$cli" --no-header --root "$root/usr/share/photonxs" list)" || fail "photonxs-cli --root list failed"
[ "$rooted" = "$listing" ] || fail "the library in the package and its copy list differently"
echo "package $(basename "$package") checked"
