#!/usr/bin/env bash
# The manual pages render without a warning and say what the programs do; the bash
# completion offers the options, and folders for their values; the help, the manual
# pages and the README state the same exit statuses and drive map.
set -euo pipefail
man_folder=$1
completion=$2
install_tool=$3
source_folder=$(cd "$(dirname "$0")/.." && pwd)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The exit statuses: the help's list, the manual page's and the README's table.
help=$("$install_tool" --help)
in_order() { sort -n | tr '\n' ' '; }
help_statuses=$(sed -n '/^Exit status:/,/^Paths:/p' <<<"$help" | grep -oE '^  [0-9]+ ' | tr -d ' ' | in_order)
man_statuses=$(sed -n '/^# EXIT STATUS/,/^# DRIVES/p' "$source_folder/man/zandrel2-install.1.scd" \
  | grep -E '^\*[0-9]+\*$' | tr -d '*' | in_order)
readme_statuses=$(sed -n '/^| Exit status |/,/^$/p' "$source_folder/README.md" | grep -oE '^\| [0-9]+ ' | tr -d '| ' | in_order)
[[ -n "$help_statuses" && "$help_statuses" == "$man_statuses" && "$help_statuses" == "$readme_statuses" ]] \
  || fail "exit statuses: help [$help_statuses], manual page [$man_statuses], README [$readme_statuses]"

# The drive map, word for word, in the help and both manual pages.
flat() { tr -d '_' | tr -s ' \n' ' '; }
drive_map="Without that entry, D: is the first optical disc or disc image mounted, else /media/cdrom, and Z: is /"
for text in "$(flat <<<"$help")" "$(flat <"$source_folder/man/zandrel2-install.1.scd")" \
  "$(flat <"$source_folder/man/zandrel2.1.scd")"; do
  [[ "$text" == *"$drive_map"* ]] || fail "the drive map is not stated as [$drive_map] in: ${text:0:200}..."
done

while IFS='|' read -r page expected; do
  warnings=$(groff -ww -man -Tutf8 "$man_folder/$page" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
  text=$(MANWIDTH=80 man -l "$man_folder/$page" 2>/dev/null)
  [[ "$text" == *"$expected"* ]] || fail "$page lacks [$expected]"
done <<'ROWS'
zandrel2.1|zandrel2 - install a catalog CD into an Apache2 document tree
zandrel2.1|No display could be opened.
zandrel2-install.1|Installed, but the trace could not be written to standard output.
zandrel2-install.1|$WINEPREFIX/dosdevices/x: of Wine's drive map
ROWS

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/srv apache" "$work/srv-cd"
: >"$work/srv-file"
source "$completion"
complete -p zandrel2-install >/dev/null || fail "no completion for zandrel2-install"
# complete WORDS...: what the completion offers for the last word.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zandrel2_install
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
[[ "$(complete_words zandrel2-install --)" == $'--cd\n--help\n--install-dir\n--log\n--no-check\n--no-log\n--no-progress\n--open\n--progress\n--summary\n--trace\n--version' ]] || fail "options: $(complete_words zandrel2-install --)"
[[ "$(complete_words zandrel2-install --install-dir "$work/srv")" == "$work/srv apache"$'\n'"$work/srv-cd" ]] \
  || fail "folders: $(complete_words zandrel2-install --install-dir "$work/srv")"
exit $((failures > 0))
