# Sourced first by every script in tools/: "--help" (or "-h") prints the
# script's opening comment, and usage_error prints the script's "usage:" lines
# (after what was wrong, if given) and fails with status 2.
script_usage() { sed -n 's/^# *\(usage: .*\)$/\1/p' "$0"; }
usage_error() {
    [ $# -eq 0 ] || echo "$(basename "$0"): $*" >&2
    script_usage >&2
    exit 2
}
case ${1:-} in
-h | --help)
    sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
esac
