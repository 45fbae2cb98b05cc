#!/usr/bin/env bash
# Runs every test: natively, natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# the store's fuzz target, and cross-compiled under Wine (in a throwaway prefix, on a
# virtual display). One line per stage; builds, X server and test output go to log files,
# and a failure's own output is shown at the end. The last line is "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
logs="$build/logs"
jobs=$(nproc)
gtest_sources=/usr/src/googletest

mkdir -p "$logs"
rm -f "$logs"/*.log
if ! bash "$root/scripts/install-deps.sh" test >"$logs/install.log" 2>&1; then
    tail -n 20 "$logs/install.log"
    echo "0 passed, 1 failed"
    exit 1
fi
source "$root/scripts/wine-env.sh"

passed=0
failed=0
failed_logs=()

# configure_and_build NAME CMAKE-ARGUMENTS...: false (and counted) when the build fails.
configure_and_build() {
    local name=$1
    shift
    if cmake -S "$root" -B "$build/$name" -DGTEST_SOURCE_DIR="$gtest_sources" "$@" >"$logs/build-$name.log" 2>&1 &&
        cmake --build "$build/$name" -j "$jobs" >>"$logs/build-$name.log" 2>&1; then
        return 0
    fi
    echo "== $name: the build failed"
    failed=$((failed + 1))
    failed_logs+=("$logs/build-$name.log")
    return 1
}

# run_suites NAME COMMAND...: runs ctest, counts each test it reports, one line for the stage.
run_suites() {
    local name=$1
    shift
    local log="$logs/$name.log"
    "$@" >"$log" 2>&1
    local status=$?
    local ok bad
    ok=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$log")
    bad=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*|Not Run|Timeout|Exception)' "$log")
    if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi
    passed=$((passed + ok))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || failed_logs+=("$log")
    echo "== $name: $ok passed, $bad failed"
}

# The native suites run in a shuffled order, so that a test leaning on another's leftovers shows.
if configure_and_build native -DCMAKE_BUILD_TYPE=Debug; then
    run_suites native env GTEST_SHUFFLE=1 ctest --test-dir "$build/native" --output-on-failure
fi

# The fuzz target runs for its minute while the sanitizers' build and suites run beside it.
fuzz_pid=
fuzz_log="$logs/fuzz.log"
if CC=clang CXX=clang++ configure_and_build fuzz -DCMAKE_BUILD_TYPE=Debug -DMDNS_FUZZ=ON -DMDNS_BUILD_TESTS=OFF; then
    mkdir -p "$build/fuzz/corpus"
    # New inputs go to the build's corpus; the committed seeds stay as they are. The store's
    # diagnostics on standard output are closed off (-close_fd_mask=1).
    ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/tests/fuzz/store_fuzz" -max_total_time="${MDNS_FUZZ_SECONDS:-60}" \
        -timeout=10 -close_fd_mask=1 -artifact_prefix="$build/fuzz/" \
        "$build/fuzz/corpus" "$root/tests/fuzz/corpus" >"$fuzz_log" 2>&1 &
    fuzz_pid=$!
fi

if configure_and_build native-sanitize -DCMAKE_BUILD_TYPE=Debug -DMDNS_SANITIZE=ON; then
    run_suites "native, sanitizers" env GTEST_SHUFFLE=1 ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
        UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$build/native-sanitize" --output-on-failure
fi

if [ -n "$fuzz_pid" ]; then
    if wait "$fuzz_pid"; then
        passed=$((passed + 1))
        echo "== the store's fuzz target, ${MDNS_FUZZ_SECONDS:-60} seconds: $(grep -E '^Done' "$fuzz_log" || echo done)"
    else
        failed=$((failed + 1))
        failed_logs+=("$fuzz_log")
        echo "== the store's fuzz target found a fault; the input that shows it is in $build/fuzz/"
    fi
fi

if configure_and_build windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"; then
    WINEPREFIX=$(mktemp -d /tmp/corvane-mdns-test-wine.XXXXXX)
    export WINEPREFIX
    cleanup() {
        wineserver -k 2>/dev/null || true
        stop_virtual_display
        rm -rf "$WINEPREFIX"
    }
    trap cleanup EXIT
    if start_virtual_display 2>"$logs/xvfb.log"; then
        prepare_wine_prefix >"$logs/wine-prefix.log" 2>&1
        keep_wine_running "$logs/wine-background.log"
        run_suites "windows, under Wine" ctest --test-dir "$build/windows" --output-on-failure --timeout 300
    else
        failed=$((failed + 1))
        failed_logs+=("$logs/xvfb.log")
        echo "== windows, under Wine: no virtual display"
    fi
fi

# The installer package: built, signed, installed, upgraded and removed in a prefix of its own.
package_log="$logs/package.log"
bash "$root/tests/package_check.sh" >"$package_log" 2>&1
package_status=$?
package_line=$(tail -n 1 "$package_log")
if [ "$package_status" -eq 0 ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    failed_logs+=("$package_log")
fi
echo "== the installer package: $package_line (checks)"

# The README's Ansible recipes, as ansible-playbook reads them: the blocks after their
# markers. The package's task uses only options ansible-doc lists for win_package, and
# leaves the quiet options and the log to the module.
recipe_log="$logs/recipe.log"
recipe() { awk -v marker="<!-- $1 -->" '$0 == marker { found = 1; next } found && /^```$/ { if (inside) exit; inside = 1; next } inside' "$root/README.md"; }
recipe ansible-recipe >"$build/ansible-recipe.yml"
recipe ansible-package-recipe >"$build/ansible-package-recipe.yml"
package_options_known() {
    local known
    known=$(ansible-doc ansible.windows.win_package 2>/dev/null | sed -n 's/^- \([a-z_]*\)$/\1/p')
    [ -n "$known" ] || return 1
    for option in $(sed -n 's/^ *\([a-z_]*\): .*/\1/p' "$build/ansible-package-recipe.yml" | grep -v -x -e name -e hosts); do
        grep -q -x "$option" <<<"$known" || { echo "win_package has no option $option"; return 1; }
    done
    ! grep -q -e 'arguments:.*/q' -e 'arguments:.*/l' "$build/ansible-package-recipe.yml"
}
if [ -s "$build/ansible-recipe.yml" ] && [ -s "$build/ansible-package-recipe.yml" ] &&
    ansible-playbook --syntax-check -i localhost, "$build/ansible-recipe.yml" >"$recipe_log" 2>&1 &&
    ansible-playbook --syntax-check -i localhost, "$build/ansible-package-recipe.yml" >>"$recipe_log" 2>&1 &&
    package_options_known >>"$recipe_log" 2>&1; then
    passed=$((passed + 1))
    echo "== the README's Ansible recipes: ansible-playbook --syntax-check reads them, ansible-doc knows their options"
else
    failed=$((failed + 1))
    failed_logs+=("$recipe_log")
    echo "== the README's Ansible recipes: not read (or missing)"
fi

for log in "${failed_logs[@]}"; do
    echo
    echo "---- the end of $log (the whole log is there)"
    tail -n 60 "$log"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
