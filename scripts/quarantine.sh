# Sourced by the test scripts: the tests that tests/quarantine.txt leaves out. Sets `quarantine_exclude`
# (CTest arguments that leave them out, or none) and defines `print_quarantine`, which names them.
quarantine_file=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/quarantine.txt
quarantined=$(grep -vE '^[[:space:]]*(#|$)' "$quarantine_file" | awk '{print $1}' || true)
quarantine_exclude=()
if [ -n "$quarantined" ]; then
    quarantine_exclude=(-E "^($(echo $quarantined | tr ' ' '|'))\$")
fi
print_quarantine() {
    echo
    if [ -z "$quarantined" ]; then
        echo "QUARANTINED: none"
        return 0
    fi
    echo "QUARANTINED (not run; tests/quarantine.txt):"
    grep -vE '^[[:space:]]*(#|$)' "$quarantine_file" | sed 's/^/  /'
}
