#!/usr/bin/env bash
# check-reference.sh - the reference tables of docs/integrating.md against
# the code's own tables: every cash-session type (events/parsers.cpp, and
# the demo till's names of them), every level-warning type
# (events/parsers.cpp), every parser of a report's text (events/parsers.h)
# and every device error number the driver and the simulator know
# (sim/qxsim.h, sim/sim_texts.cpp) has its row, with the code's number and
# text, and no row stands for nothing.  Every error number the simulator
# sends has its line in examples/qxlang.ini.  Prints each mismatch; exits
# 1 when there is one.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
doc="$root/docs/integrating.md"
status=0

fail() { echo "MISMATCH: $*"; status=1; }

# The rows of the table under a "### <title>" heading, cells trimmed and
# joined by "|", the header and rule left out.
table() {
    awk -v title="### $1" '
        $0 == title { on = 1; next }
        on && /^#/ { exit }
        on && /^\|/ { rows++; if (rows > 2) print }
    ' "$doc" | sed -E 's/^\| *//; s/ *\|$//; s/ *\| */|/g'
}

# compare <what> <the code's lines> <the doc's lines> [<where those are>]:
# the same sets.
compare() {
    local missing extra where="${4:-$doc}"
    missing="$(comm -23 <(sort -u <<<"$2") <(sort -u <<<"$3"))"
    extra="$(comm -13 <(sort -u <<<"$2") <(sort -u <<<"$3"))"
    [ -n "$2" ] || fail "$1: nothing found in the code (has its form changed?)"
    [ -z "$missing" ] || fail "$1: in the code without its row in $where: $(echo $missing)"
    [ -z "$extra" ] || fail "$1: in $where, not in the code: $(echo $extra)"
}

# Cash-session types: the parser's list, in infoType order.
code="$(sed -nE 's/.*kTypes\[\] = \{(.*)\};.*/\1/p' "$root/events/parsers.cpp" |
        tr -d ' "' | tr ',' '\n' | awk 'NF { print NR - 1 "|" $0 }')"
compare "cash-session types" "$code" \
    "$(table "Cash-session types" | awk -F'|' '{ gsub(/`/, "", $2); print $1 "|" $2 }')"
till="$(sed -nE 's/.*names\[\] = \{("BO.*)\};.*/\1/p' "$root/apps/qxtill/till_format.cpp" |
        tr -d ' "' | tr ',' '\n' | awk 'NF { print NR - 1 "|" $0 }')"
compare "the demo till's cash-session names" "$code" "$till" apps/qxtill/till_format.cpp

# Level-warning types: each "warningType = N" and the word its typeString
# translates next.
code="$(awk '/warningType = [0-9]+;/ { match($0, /[0-9]+/); n = substr($0, RSTART, RLENGTH) }
             n != "" && /typeString = TranslateText\("/ {
                 match($0, /TranslateText\("[A-Za-z]+"/); print n "|" substr($0, RSTART + 15, RLENGTH - 16); n = "" }' \
        "$root/events/parsers.cpp")"
compare "level-warning types" "$code" "$(table "Level-warning types" | cut -d'|' -f1,2)"

# Layouts: every parser of a report's text is named in the layout table.
code="$(sed -nE 's/^short (get[A-Za-z]+)\(const std::string&.*/\1/p' "$root/events/parsers.h")"
compare "text layouts (parsers)" "$code" \
    "$(table "The texts behind the events (extInfo layouts)" | cut -d'|' -f4 | tr ',' '\n' |
       sed -nE 's/.*`(get[A-Za-z]+)`.*/\1/p')"

# Error numbers: the driver's 0 (a text without a readable number), the
# simulator's named faults and its fallback text, each with its words.
names="$(sed -nE 's/^ *case ([0-9]+): return "([^"]+)";.*/\1|\2/p' "$root/sim/sim_texts.cpp")"
fallback="$(sed -nE '/errorName/,/^}/ s/^ *default: return "([^"]+)";.*/\1/p' "$root/sim/sim_texts.cpp")"
faults="$(sed -nE 's/^ *QXSIM_FAULT_[A-Z_]+ = ([0-9]+),?.*/\1/p' "$root/sim/qxsim.h")"
compare "the simulator's fault codes" "$(cut -d'|' -f1 <<<"$names")" "$faults" sim/qxsim.h
code="$(printf '0|-\n%s\nany other|%s\n' "$names" "$fallback")"
compare "device error numbers" "$code" \
    "$(table "Device error numbers" | awk -F'|' '{ t = $2; if ($1 == "0") t = "-"; gsub(/`/, "", t); print $1 "|" t }')"
for number in $(cut -d'|' -f1 <<<"$names"); do
    grep -q "^Error Code $number=" "$root/examples/qxlang.ini" ||
        fail "examples/qxlang.ini has no line for Error Code $number"
done

[ "$status" -eq 0 ] && echo "the reference tables of docs/integrating.md match the code"
exit "$status"
