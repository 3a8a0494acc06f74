#!/usr/bin/env bash
# staged_install.sh BUILD_DIR: installs the build into a scratch prefix and renders from there,
# with no hint of where the modules are: the installed programs must find them themselves.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/usr" >/dev/null
unset DUOVIS_PLUGIN_DIR
for program in duovis duovis-studio depthscope; do
    [ -x "$stage/usr/bin/$program" ] || { echo "not installed: bin/$program" >&2; exit 1; }
done
ls "$stage"/usr/lib*/duovis/DuovisX.so "$stage"/usr/lib*/duovis/Duovis.so >/dev/null
# The engines' modules and descriptions where Debian's MLT, Kdenlive and GStreamer look, where built.
if [ -e "$build/lib/mlt-7/libmltduovis.so" ]; then
    ls "$stage"/usr/lib/*/mlt-7/libmltduovis.so "$stage"/usr/share/mlt-7/duovis/filter_duovis.yml \
        "$stage"/usr/share/kdenlive/effects/duovis.xml "$stage"/usr/share/kdenlive/transitions/duovis.xml >/dev/null
fi
if [ -e "$build/lib/gstreamer-1.0/libgstduovis.so" ]; then
    ls "$stage"/usr/lib/*/gstreamer-1.0/libgstduovis.so >/dev/null
fi
# The package's dependencies are read from what these link, so each library they load must
# come from a Debian package: a toolkit's library under /usr/local would be missing on a user's
# machine (this once happened with the CUDA runtime).
for binary in "$stage"/usr/bin/* "$stage"/usr/lib*/duovis/*.so $(find "$stage" -name 'lib*duovis.so'); do
    while read -r lib _ path _; do
        case $path in
            /lib/* | /usr/lib/*) ;;
            *) echo "$binary loads $lib from ${path:-nowhere}, outside the system's packages" >&2; exit 1 ;;
        esac
    done < <(ldd "$binary" | grep '=>' | grep -v 'linux-vdso')
done
cd "$stage"
"$stage/usr/bin/duovis" demo -o demo >/dev/null
[ -s demo/contact-sheet.png ] || { echo "the installed duovis rendered nothing" >&2; exit 1; }
"$stage/usr/bin/duovis" render --plugin Duovis demo/00-scene-left.png --second demo/00-scene-right.png -o one.png >/dev/null
[ -s one.png ]
echo "installed programs render from $stage/usr"
