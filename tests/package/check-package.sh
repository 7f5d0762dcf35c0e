#!/usr/bin/env bash
# Checks the Debian packages that scripts/package builds: lintian, the files in their
# places, the desktop entry, the AppStream metadata and the manual pages as the desktop
# and man see them, and, unpacked, the JNI library loading in Java and the program
# showing its window under Xvfb.
#   tests/package/check-package.sh PACKAGE.deb...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 PACKAGE.deb..." >&2; exit 2; }

fail() { echo "check-package: $*" >&2; exit 1; }

lintian --fail-on error,warning "$@"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
for deb in "$@"; do dpkg-deb -x "$deb" "$root"; done

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
id=ru.norvel.certinstall
for file in usr/bin/certinstall usr/bin/keymedium usr/lib/$multiarch/jni/libquorbel.so \
            usr/share/java/quorbel.jar usr/share/applications/$id.desktop \
            usr/share/metainfo/$id.metainfo.xml usr/share/icons/hicolor/scalable/apps/$id.svg \
            usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/$id.png \
            usr/share/man/man1/{certinstall,keymedium}.1.gz; do
  [ -e "$root/$file" ] || fail "the packages lack /$file"
done
# Linked libraries come from dpkg-shlibdeps, loaded ones are named by the package.
depends=$(dpkg-deb -f "$(printf '%s\n' "$@" | grep -E '(^|/)certinstall_[^/]*$')" Depends)
for package in libwxgtk3.2 libssl3 libengine-gost-openssl wx3.2-i18n; do
  [[ "$depends" == *"$package"* ]] || fail "certinstall does not depend on $package: $depends"
done

# Hints fail too (one comes, say, for a category that wants another beside it).
desktop=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) || true
[ -z "$desktop" ] || fail "$desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The jar and the JNI library together, as a Java application uses them.
echo 'class Smoke { public static void main(String[] a) { new ru.norvel.davo.Kelvastorix().initIDs(); } }' \
  > "$scratch/Smoke.java"
java -Xcheck:jni -Djava.library.path="$root/usr/lib/$multiarch/jni" \
  -cp "$root/usr/share/java/quorbel.jar" "$scratch/Smoke.java" || fail "quorbel does not load in Java"

# The program from its unpacked place, with a container made by the unpacked keymedium so
# that no question about the key medium comes before the window.
export CERTINSTALL_HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config CERTINSTALL_MEDIA= CERTINSTALL_PKCS11= LC_ALL=C.UTF-8
"$root/usr/bin/keymedium" create --key-folder "$CERTINSTALL_HOME/keys" --name "Проверка пакета" \
  --subject "/CN=Проверка пакета" >/dev/null
# xwininfo, not xdotool: the toolkit sets only _NET_WM_NAME for a title beyond Latin-1,
# and xdotool searches WM_NAME.
window_shows() {
  "$1" & local pid=$! status=1
  for _ in $(seq 60); do
    xwininfo -name "Установка сертификата из ключевого контейнера" 2>/dev/null |
      grep -q "Map State: IsViewable" && { status=0; break; }
    sleep 1
  done
  [ $status -eq 0 ] || xwininfo -root -children | grep '"' >&2 || true
  kill "$pid"
  return $status
}
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f window_shows); window_shows \"\$1\"" _ \
  "$root/usr/bin/certinstall" || fail "certinstall showed no main window"
echo "check-package: $# packages passed"
