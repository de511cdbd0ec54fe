# Sourced by the test scripts: the tests that tests/quarantine.txt leaves out. `quarantine_select` sets
# `quarantine_exclude` (CTest arguments that leave them out, or none); `print_quarantine` names them. A line
# whose second field is "(qemu-user)" holds only while 32-bit programs run through qemu-user, so select
# again once the Wine environment has started.
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"
quarantine_file=$ostrel_root/tests/quarantine.txt

quarantine_select() {
    local road=native entries names
    i386_through_qemu && road=qemu
    entries=$(grep -vE '^[[:space:]]*(#|$)' "$quarantine_file" || true)
    quarantine_lines=$(awk -v road="$road" '$2 != "(qemu-user)" || road == "qemu"' <<<"$entries")
    quarantine_run_here=$(awk -v road="$road" '$2 == "(qemu-user)" && road != "qemu" {printf "%s ", $1}' <<<"$entries")
    names=$(awk '{print $1}' <<<"$quarantine_lines")
    quarantine_exclude=()
    [ -z "$names" ] || quarantine_exclude=(-E "^($(echo $names | tr ' ' '|'))\$")
}

print_quarantine() {
    echo
    if [ -n "${quarantine_run_here// /}" ]; then
        echo "QUARANTINED under qemu-user only, run here (32-bit programs run natively): $quarantine_run_here"
    fi
    if [ -z "$quarantine_lines" ]; then
        echo "QUARANTINED: none"
        return 0
    fi
    echo "QUARANTINED (not run; tests/quarantine.txt):"
    sed 's/^/  /' <<<"$quarantine_lines"
}

quarantine_select
