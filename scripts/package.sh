#!/usr/bin/env bash
# Builds the Debian package dist/orvcontrolclient_VERSION_ARCH.deb in Release (build-package/), checks
# that it holds every program and file it should, and validates its menu entry and AppStream metainfo.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh

build=build-package
nice -n 10 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF -DORV_USER_DATA_FOLDER=ON >/dev/null
nice -n 10 cmake --build "$build" -j2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="dist/orvcontrolclient_${version}_${arch}.deb"
mkdir -p dist
rm -f "$deb"
(cd "$build" && nice -n 10 cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX="$root/dist")
if [[ ! -f $deb ]]; then
  echo "package.sh: cpack did not make $deb" >&2
  exit 1
fi

programs=(OrvControlClient controller-sim orvctl orvd)
required=(
  "${programs[@]/#/usr/bin/}"
  usr/share/applications/orvcontrolclient.desktop
  usr/share/icons/hicolor/scalable/apps/orvcontrolclient.svg
  usr/share/icons/hicolor/128x128/apps/orvcontrolclient.png
  usr/share/metainfo/net.orvane.orvcontrolclient.metainfo.xml
)
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||')
missing=()
for path in "${required[@]}"; do
  grep -qxF "$path" <<<"$contents" || missing+=("$path")
done
if ((${#missing[@]})); then
  echo "package.sh: $deb lacks: ${missing[*]}" >&2
  exit 1
fi

# Validate the files as the package installs them.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop="$unpacked/usr/share/applications/orvcontrolclient.desktop"
desktop-file-validate "$desktop"
if ! grep -qxF 'Exec="/usr/bin/OrvControlClient"' "$desktop"; then
  echo "package.sh: the menu entry does not start /usr/bin/OrvControlClient: $(grep '^Exec=' "$desktop")" >&2
  exit 1
fi
# The tree, not the file alone: it also checks that the launchable names the installed menu entry.
appstreamcli validate-tree --no-net "$unpacked"

echo
echo "Built $deb ($(du -k "$deb" | cut -f1) KiB), holding ${programs[*]}"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
echo "Install: apt-get install ./$deb"
