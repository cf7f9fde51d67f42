# Sourced by the run commands: installs what is missing of cmake, g++ and
# make (Debian 12) and configures the native preset.

native_build_prepare() {
    local name=$1
    local missing=()
    local tool
    for tool in cmake g++ make; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            missing+=("$tool")
        fi
    done

    if ((${#missing[@]})); then
        local sudo=
        if [ "$(id -u)" != 0 ]; then
            if ! command -v sudo >/dev/null 2>&1; then
                echo "$name: ${missing[*]} missing, and installing needs root or sudo" >&2
                exit 1
            fi
            sudo=sudo
        fi
        echo "installing: ${missing[*]}"
        $sudo apt-get update -q
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            "${missing[@]}"
    fi

    # The tests need GoogleTest, which this command does not install; without it
    # the build leaves them out.
    local tests=ON
    if [ ! -f /usr/include/gtest/gtest.h ]; then
        tests=OFF
    fi
    cmake --preset native -DIO_BUILD_TESTS="$tests" >/dev/null
}
