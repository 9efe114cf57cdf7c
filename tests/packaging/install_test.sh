#!/usr/bin/env bash
# cmake --install: the programs, the library, the menu entry, the icon and the software-centre
# description land where a desktop looks for them and are valid; the installed programs fill the
# user's working folder from the installed library and leave the user's own files alone.
# Usage: install_test.sh BUILD_FOLDER SOURCE_LIBRARY
build="$1"
source_library="$2"
# shellcheck source=tests/packaging/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
need_tools desktop-file-validate appstreamcli

prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

app_id=org.photonxs.PhotonXS
for file in bin/photonxs bin/photonxs-cli share/photonxs/Start.dat \
    share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$app_id.svg share/doc/photonxs/copyright \
    share/man/man1/photonxs.1.gz share/man/man1/photonxs-cli.1.gz; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ "$(library_files "$prefix/share/photonxs")" = "$(library_files "$source_library")" ] ||
    fail "share/photonxs does not hold exactly the files of library/"

desktop-file-validate "$prefix/share/applications/$app_id.desktop" ||
    fail "the .desktop file is not valid"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the metainfo file is not valid"

# The command line fills ~/PhotonXS on first use and lists it.
work="$scratch/home/PhotonXS"
listing="$(user_cli "$prefix/bin/photonxs-cli" list)" || fail "photonxs-cli list failed"
[ "$(library_files "$work")" = "$(library_files "$source_library")" ] ||
    fail "the home folder PhotonXS does not hold the installed library after the first start"
grep -q "^ele/082_Pb.ele	" <<<"$listing" || fail "photonxs-cli list does not show lead"

# A second start keeps what the user changed and puts back only what is missing.
echo "the user's own text" >"$work/Start.dat"
rm "$work/ele/082_Pb.ele"
user_cli "$prefix/bin/photonxs-cli" list >/dev/null || fail "the second photonxs-cli list failed"
[ "$(cat "$work/Start.dat")" = "the user's own text" ] || fail "a user's file was overwritten"
cmp -s "$work/ele/082_Pb.ele" "$source_library/ele/082_Pb.ele" ||
    fail "a file missing from ~/PhotonXS was not copied again"
[ -z "$(find "$work" -name '*.photonxs-copy')" ] || fail "a temporary copy was left behind"

# PHOTONXS_HOME is used as it is: nothing is copied into it.
mkdir "$scratch/own"
PHOTONXS_HOME="$scratch/own" HOME="$scratch/home" "$prefix/bin/photonxs-cli" list >/dev/null ||
    true
[ -z "$(ls -A "$scratch/own")" ] || fail "files were copied into PHOTONXS_HOME"

# The windows fill a fresh home the same way before they open.
gui_home="$scratch/gui-home"
env -u PHOTONXS_HOME HOME="$gui_home" QT_QPA_PLATFORM=offscreen "$prefix/bin/photonxs" \
    >"$scratch/gui.log" 2>&1 &
gui=$!
for _ in $(seq 600); do
    if [ "$(library_files "$gui_home/PhotonXS" 2>/dev/null)" = "$(library_files "$source_library")" ]; then
        break
    fi
    kill -0 "$gui" 2>/dev/null || break
    sleep 0.1
done
kill "$gui" 2>/dev/null || true
wait "$gui" 2>/dev/null || true
[ "$(library_files "$gui_home/PhotonXS")" = "$(library_files "$source_library")" ] ||
    fail "photonxs did not fill ~/PhotonXS from the installed library: $(cat "$scratch/gui.log")"
echo "installed tree checked"
