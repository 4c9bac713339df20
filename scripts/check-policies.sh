#!/usr/bin/env bash
# Checks Dusklamp's Administrative Templates against each other and against the program: what the
# Group Policy editor would refuse to load, and policies that would set a value the program never reads.
#   Usage: check-policies.sh [ADMX ADML SOURCE_DIR]
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
admx=${1:-$root/policies/dusklamp.admx}
adml=${2:-$root/policies/en-US/dusklamp.adml}
src=${3:-$root/src}
policy_key='Software\Policies\Brightfen\Dusklamp'

failures=0
fail() { echo "check-policies: $*" >&2; failures=$((failures + 1)); }

xmllint --noout "$admx" || { echo "check-policies: $admx is not well-formed XML" >&2; exit 1; }
xmllint --noout "$adml" || { echo "check-policies: $adml is not well-formed XML" >&2; exit 1; }

# The values of the attributes an XPath selects, one a line (none when nothing matches).
attribute_values() {
    { xmllint --xpath "$2" "$1" 2>/dev/null || true; } | sed -n 's/^ *[A-Za-z]*="\(.*\)"$/\1/p'
}
# The templates' default namespace keeps plain names out of XPath.
el() { echo "*[local-name()=\"$1\"]"; }

policies=$(attribute_values "$admx" "//$(el policy)/@name")
[ -n "$policies" ] || fail "$admx defines no policy"

# A value name the program does not read is a policy that silently does nothing.
value_names=$(attribute_values "$admx" "//$(el policy)/@valueName | //$(el policy)/$(el elements)/*/@valueName")
for name in $value_names; do
    grep -rqF -- "\"$name\"" "$src" || fail "value \"$name\" is read nowhere in $src"
done

# Only this key is where the program looks, and only class Both reaches machine and user alike.
for policy in $policies; do
    sel="//$(el policy)[@name=\"$policy\"]"
    key=$(attribute_values "$admx" "$sel/@key")
    [ "$key" = "$policy_key" ] || fail "policy $policy writes to '$key', not '$policy_key'"
    class=$(attribute_values "$admx" "$sel/@class")
    [ "$class" = Both ] || fail "policy $policy has class '$class', not Both"
    refs=$(attribute_values "$admx" "$sel/$(el parentCategory)/@ref")
    for ref in $refs; do
        [ -n "$(attribute_values "$admx" "//$(el category)[@name=\"$ref\"]/@name")" ] ||
            fail "policy $policy is in category '$ref', which is not defined"
    done
done

# Every text the templates name must be in the language file.
string_ids=$(attribute_values "$adml" "//$(el stringTable)/$(el string)/@id")
duplicates=$(sort <<<"$string_ids" | uniq -d)
[ -z "$duplicates" ] || fail "strings defined twice in $adml: $duplicates"
for id in $(grep -o '\$(string\.[A-Za-z0-9_.]*)' "$admx" | sed 's/^\$(string\.\(.*\))$/\1/' | sort -u); do
    grep -qxF -- "$id" <<<"$string_ids" || fail "string '$id' is missing from $adml"
done

# Every element of a policy needs its control in the policy's presentation, and the other way round.
for policy in $policies; do
    sel="//$(el policy)[@name=\"$policy\"]"
    element_ids=$(attribute_values "$admx" "$sel/$(el elements)/*/@id" | sort)
    presentation=$(attribute_values "$admx" "$sel/@presentation" | sed -n 's/^\$(presentation\.\(.*\))$/\1/p')
    if [ -z "$presentation" ]; then
        [ -z "$element_ids" ] || fail "policy $policy has elements but no presentation"
        continue
    fi
    psel="//$(el presentation)[@id=\"$presentation\"]"
    [ -n "$(attribute_values "$adml" "$psel/@id")" ] || { fail "presentation '$presentation' is missing from $adml"; continue; }
    ref_ids=$(attribute_values "$adml" "$psel//@refId" | sort)
    [ "$element_ids" = "$ref_ids" ] ||
        fail "policy $policy has elements [$(tr '\n' ' ' <<<"$element_ids")] but presentation '$presentation' shows [$(tr '\n' ' ' <<<"$ref_ids")]"
done

if [ "$failures" -gt 0 ]; then
    echo "check-policies: $failures problem(s)" >&2
    exit 1
fi
echo "check-policies: $(wc -w <<<"$policies") policies, values $(tr '\n' ',' <<<"$value_names" | sed 's/,$//'), all read by the program"
