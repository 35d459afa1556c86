#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and runs what it installed: lintian
# finds no error and no warning, the desktop entry and AppStream file validate, every installed
# instrument passes "chordlane-tool check", and the built-in guitar plays from the installed
# program folder.
set -euo pipefail
build=${1:-build/default}
# What the package holds, then CPack on it; the package target would rebuild every target.
cmake --build "$build" --target chordlane chordlane-tool chordlane_program_folder \
    chordlane_compressed_docs >/dev/null
rm -f "$build"/chordlane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/chordlane_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

fail() { echo "check-package: $*" >&2; exit 1; }

# Debian's own judgement of the package. As root lintian refuses to run unless told it may.
lintian_flags=(--fail-on error,warning --tag-display-limit 0)
if [ "$(id -u)" -eq 0 ]; then lintian_flags+=(--allow-root); fi
lintian "${lintian_flags[@]}" "$deb" || fail "lintian found errors or warnings in $(basename "$deb")"

# The file list: programs, data, desktop integration, manual pages.
for f in usr/bin/chordlane usr/bin/chordlane-tool \
         usr/share/chordlane/chordlane_help.htm usr/share/chordlane/startup.bmp \
         usr/share/chordlane/guitar.clx usr/share/chordlane/sounds \
         usr/share/applications/chordlane.desktop usr/share/mime/packages/chordlane.xml \
         usr/share/metainfo/org.chordlane.Chordlane.metainfo.xml \
         usr/share/icons/hicolor/64x64/apps/chordlane.png \
         usr/share/man/man1/chordlane.1.gz usr/share/man/man1/chordlane-tool.1.gz \
         usr/share/doc/chordlane/copyright usr/share/doc/chordlane/changelog.gz; do
  [ -e "$root/$f" ] || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6gui6 libportaudio2 libsamplerate0; do
  case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done

desktop-file-validate "$root/usr/share/applications/chordlane.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.chordlane.Chordlane.metainfo.xml" >/dev/null

# The installed tool finds its program folder beside its installation, not in the build.
export QT_QPA_PLATFORM=offscreen
tool="$root/usr/bin/chordlane-tool"
version=$("$tool" --version)
[ "$version" = "chordlane-tool $(dpkg-deb -f "$deb" Version)" ] || fail "version $version"
count=0
while IFS= read -r -d '' instrument; do
  # The sampler asks for a wave file of the user's: one of the installed ones answers.
  "$tool" check "$instrument" --home "$root/nohome" \
    --answer "$root/usr/share/chordlane/sounds/gtr-e2.wav" || fail "check failed: $instrument"
  count=$((count + 1))
done < <(find "$root/usr/share/chordlane" -maxdepth 1 \( -name '*.clx' -o -name '*.cly' \) -print0)
[ "$count" -gt 0 ] || fail "no instruments installed"
script="$root/strum.txt"
printf 'strum 20 296 220 296 200 10\nwait 500\n' > "$script"
log=$("$tool" play '!' --script "$script" --home "$root/nohome")
case "$log" in *" start "*) ;; *) fail "the built-in guitar played nothing: $log" ;; esac
case "$log" in *message*) fail "the built-in guitar reported: $log" ;; esac
echo "check-package: $(basename "$deb"): $count instruments checked, the built-in guitar plays"
