# Installs the Debian packages that are not there yet. Sourced by the other scripts.
# Fails, having said why, when they cannot be installed.
need_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo > /dev/null; then
        echo "missing packages, and neither root nor sudo to install them: ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    # Other apt runs on the machine hold the lock for a while; they are waited for.
    local apt=(as_root env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=900)
    # A mirror in the middle of a sync serves one index of the wrong size for hours, and
    # apt-get update fails for it alone; the install then tells whether what is needed came.
    local try
    for try in 1 2 3; do
        "${apt[@]}" update && break
        if [ "$try" -eq 3 ]; then
            echo "apt-get update failed three times; installing from the lists as they are" >&2
        else
            sleep 20
        fi
    done
    "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
}

# Runs a command as root: directly, or through sudo.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo > /dev/null; then
        sudo "$@"
    else
        echo "neither root nor sudo to run: $*" >&2
        return 1
    fi
}

# Generates the locales that are not there yet, each named as LANGUAGE_TERRITORY.CHARSET
# (ru_RU.UTF-8, ru_RU.KOI8-R); locale -a lists them in lower case without the hyphen.
need_locales() {
    need_packages locales
    local wanted listed missing=()
    for wanted in "$@"; do
        listed=${wanted%%.*}.$(tr -d - <<< "${wanted#*.}" | tr '[:upper:]' '[:lower:]')
        locale -a | grep -qx "$listed" || missing+=("$wanted")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    for wanted in "${missing[@]}"; do
        grep -qx "$wanted ${wanted#*.}" /etc/locale.gen 2> /dev/null ||
            echo "$wanted ${wanted#*.}" | as_root tee -a /etc/locale.gen > /dev/null
    done
    as_root locale-gen > /dev/null
}
