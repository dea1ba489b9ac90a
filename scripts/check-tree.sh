#!/usr/bin/env bash
# Fails when the tree breaks its own rules: a file under src/core/ that includes a header of a screen
# library (Qt Widgets, Qt Gui) or of the windows under src/gui/, or a source file that .clang-format
# would change.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
screen_headers=$(ls "$qt/QtWidgets" "$qt/QtGui" | grep -v ':$' | sort -u)

while IFS=: read -r file line text; do
  header=$(sed -E 's/^#include [<"]([^>"]*)[>"].*/\1/' <<<"$text")
  base=${header##*/}
  if [[ $header == gui/* || $header == QtWidgets/* || $header == QtGui/* ]] ||
    { [[ $text == *'<'* ]] && grep -qxF "$base" <<<"$screen_headers"; }; then
    echo "$file:$line: the core includes a screen header: $header" >&2
    status=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' '^#include' src/core)

mapfile -t sources < <(git ls-files '*.h' '*.cpp')
if ! clang-format-14 --dry-run --Werror "${sources[@]}" 2>/dev/null; then
  clang-format-14 --dry-run "${sources[@]}" 2>&1 | grep -E '^[^ ].*warning' | cut -d: -f1 | sort -u |
    sed 's/$/: not formatted by .clang-format (clang-format-14 -i)/' >&2
  status=1
fi
exit $status
