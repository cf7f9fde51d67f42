# Sourced by the run commands: installs what is missing of cmake, g++ and
# make (tools/install-deps) and configures the native preset.

native_build_prepare() {
    tools/install-deps run || exit 1
    # The tests need GoogleTest, which this command does not install; without it
    # the build leaves them out.
    local tests=ON
    if [ ! -f /usr/include/gtest/gtest.h ]; then
        tests=OFF
    fi
    cmake --preset native -DIO_BUILD_TESTS="$tests" >/dev/null
}
