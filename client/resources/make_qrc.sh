#!/usr/bin/env bash
# Rewrites corvane.qrc from the pictures under images/ and the style sheet.
# Pictures that the client names without an extension get aliases:
#   images/close*.png                -> ":/images/close*"
#   images/loading/<name>.png        -> ":/images/loading/<name>"
#   images/preview/button/<name>.png -> ":/images/preview/<name>"
# Entries added by hand after the generated block (below the marker) are kept.
set -euo pipefail
cd "$(dirname "$0")"
qrc=corvane.qrc
kept=""
if [[ -f $qrc ]]; then
  kept=$(sed -n '/<!-- more entries -->/,/<\/qresource>/p' "$qrc" | sed '1d;$d')
fi
{
  echo '<RCC>'
  echo '  <qresource prefix="/">'
  echo '    <file>stylesheet.css</file>'
  find images -type f | LC_ALL=C sort | while read -r f; do
    case $f in
      images/close*.png|images/loading/*.png) echo "    <file alias=\"${f%.png}\">$f</file>" ;;
      images/preview/button/*.png) a=${f#images/preview/button/}; echo "    <file alias=\"images/preview/${a%.png}\">$f</file>" ;;
      *) echo "    <file>$f</file>" ;;
    esac
  done
  echo '    <!-- more entries -->'
  [[ -n $kept ]] && echo "$kept"
  echo '  </qresource>'
  echo '</RCC>'
} > "$qrc.tmp"
mv "$qrc.tmp" "$qrc"
