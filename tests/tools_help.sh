#!/bin/sh
# Every script in tools/ and the checker explain themselves: --help prints a
# usage line and succeeds; a script called without the arguments it needs
# prints its usage and fails with 2, never a shell error.
#   tests/tools_help.sh SOURCE-DIR CHECKER
root=$1 checker=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }
for script in "$root"/tools/*; do
    [ -f "$script" ] && [ -x "$script" ] || continue
    name=tools/$(basename "$script")
    out=$("$script" --help 2>&1) || fail "$name --help exits with $?"
    usage=$(echo "$out" | grep "^usage: $name\\b" | head -n1)
    [ -n "$usage" ] || fail "$name --help prints no 'usage: $name' line"
    # Called bare only where the usage asks for an argument: the others would run.
    first=$(echo "$usage" | awk '{ print $3 }')
    case $first in '' | '['*) continue ;; esac
    status=0
    err=$("$script" 2>&1 >/dev/null) || status=$?
    [ $status -eq 2 ] || fail "$name without arguments exits with $status"
    echo "$err" | grep -q "^usage: $name" || fail "$name without arguments prints no usage: $err"
done
out=$("$checker" --help) || fail "orbivue-bindings --help exits with $?"
echo "$out" | grep -q '^usage: orbivue-bindings' || fail "orbivue-bindings --help prints no usage"
[ $failed -eq 0 ] && echo "ok    every tool and the checker answer --help"
exit $failed
