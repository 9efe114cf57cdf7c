# Sourced by run.sh and test.sh: installs the Debian/Ubuntu packages the project needs that are
# missing, and nothing else. apt-get update runs only when something is missing.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null)" != "ii " ]; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing missing packages: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and running the program needs (help2man writes the manual pages at build
# time); the Python module and its tests need the last line.
PHOTONXS_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-qpa-plugins help2man
    fonts-liberation fonts-dejavu-core fonts-ipafont-gothic
    python3-dev python3-numpy pybind11-dev python3-pytest nlohmann-json3-dev)

# What the packaging tests need: validators of the menu entry and the software-centre
# description, and the Debian tools cpack uses to make the package.
PHOTONXS_PACKAGING_PACKAGES=(desktop-file-utils appstream dpkg-dev file)

# What the browser page needs: the WebAssembly toolchain and the Node.js module its optimiser
# loads, the JSON reader's headers the core takes for model files, and the two browsers its tests
# drive; Node.js and npm where the machine has none of its own.
PHOTONXS_WEB_PACKAGES=(emscripten node-acorn chromium firefox-esr nlohmann-json3-dev)
command -v node >/dev/null 2>&1 || PHOTONXS_WEB_PACKAGES+=(nodejs)
command -v npm >/dev/null 2>&1 || PHOTONXS_WEB_PACKAGES+=(npm)

# What the Python package's install test needs: a fresh virtual environment that builds the
# package with the system's setuptools and wheel.
PHOTONXS_PYTHON_PACKAGE_PACKAGES=(python3-venv python3-setuptools python3-wheel)
