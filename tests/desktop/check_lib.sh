# Shared by the desktop checks (sourced): skip without a tool, count failures, report.

# Exits 77, the skip code, when any of the named tools is missing.
need_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "skipped: $tool is not installed (scripts/install-deps installs it)"
            exit 77
        fi
    done
}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Exits 1 after any failure, else says `$1` and exits 0.
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "$1"
    exit 0
}
