#!/usr/bin/env bash
# The Debian package as a user gets it: built with cpack, unpacked with dpkg -x into a staging
# folder, and run from there with no environment help (no LD_LIBRARY_PATH, no settings but the
# controller's address).
#
#   installed_tree_test.sh stage    WORK LIBDIR CPACK CPACK_CONFIG
#   installed_tree_test.sh contents WORK LIBDIR ARCH SOURCE_DIR CMAKE NM
#   installed_tree_test.sh programs WORK LIBDIR
#   installed_tree_test.sh consumer WORK LIBDIR CMAKE CXX CONSUMER_SOURCE_DIR
#
# WORK holds packages/ (the .deb) and root/ (its unpacked files); "stage" makes both, the other
# steps only read them. LIBDIR is the library folder below /usr.
set -euo pipefail
step=$1 work=$(realpath "$2") libdir=$3
shift 3
usr=$work/root/usr
plugins=$usr/$libdir/outputcolorspacemodel/plugins

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_in() { grep -qE -- "$2" <<<"$1" || fail "$3: no match for '$2' in:
$1"; }
bare() { env -i PATH=/usr/bin:/bin "$@"; }
deb() { ls "$work"/packages/*.deb; }

sim_pid=
trap '[ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true' EXIT
# Starts the installed controller-sim on a free port; sets url.
start_sim() {
  # env execs timeout, so $! is what the trap stops; timeout passes the signal on, and ends the
  # simulator by itself should the test be killed outright, when no trap runs.
  env -i PATH=/usr/bin:/bin timeout 300 "$usr/bin/controller-sim" --port 0 \
    >"$work/$step-sim.out" 2>"$work/$step-sim.err" &
  sim_pid=$!
  for _ in $(seq 300); do
    [ -s "$work/$step-sim.out" ] && break
    kill -0 "$sim_pid" 2>/dev/null || fail "controller-sim ended: $(cat "$work/$step-sim.err")"
    sleep 0.1
  done
  url=http://$(sed -n 's/^controller-sim listening on //p' "$work/$step-sim.out")
}

case "$step" in
stage)
  rm -rf "$work/packages" "$work/root"
  "$1" -G DEB --config "$2" -B "$work/packages"
  dpkg -x "$(deb)" "$work/root"
  ;;

contents)
  arch=$1 source_dir=$2 cmake=$3 nm=$4
  [ "$(basename "$(deb)")" = "outputcolorspacemodel_$(dpkg-deb -f "$(deb)" Version)_$arch.deb" ] ||
    fail "unexpected package $(deb)"
  depends=$(dpkg-deb -f "$(deb)" Depends)
  for library in libc6 'libstdc\+\+6' libqt5core5a libcurl4 'libcpp-httplib0\.11'; do
    expect_in "$depends" "(^|, )$library( |,|$)" "Depends"
  done
  # Exactly the project's files: the programs and their manual pages, the plugin beside restlink,
  # the two headers as they are in the source tree, the CMake package and the controller
  # documents.
  expected=$( (
    printf '%s\n' ./usr/bin/tvkhost ./usr/bin/controller-sim \
      "./usr/$libdir/outputcolorspacemodel/plugins/liboutputcolorspacemodel.so" \
      "./usr/$libdir/outputcolorspacemodel/plugins/librestlink.so" \
      ./usr/include/outputcolorspacemodel/tvk.h ./usr/include/outputcolorspacemodel/restlink.h \
      ./usr/share/man/man1/tvkhost.1.gz ./usr/share/man/man1/controller-sim.1.gz
    for name in Config ConfigVersion Targets; do
      echo "./usr/$libdir/cmake/outputcolorspacemodel/outputcolorspacemodel$name.cmake"
    done
    for document in "$source_dir"/data/*.json; do
      echo "./usr/share/outputcolorspacemodel/$(basename "$document")"
    done) | sort)
  # (the per-configuration targets file is named after the build type)
  found=$(cd "$work/root" && find . -type f ! -name 'outputcolorspacemodelTargets-*.cmake' | sort)
  [ "$found" = "$expected" ] || fail "package files differ:
$(diff <(echo "$expected") <(echo "$found"))"
  for header in tvk.h restlink.h; do
    cmp "$source_dir/src/host/$header" "$usr/include/outputcolorspacemodel/$header"
  done
  for document in "$source_dir"/data/*.json; do
    cmp "$document" "$usr/share/outputcolorspacemodel/$(basename "$document")"
  done
  # RUNPATH: exactly $ORIGIN for the plugin, only $ORIGIN-relative entries elsewhere, and the
  # loader finds librestlink.so beside the plugin by itself.
  runpath() { readelf -d "$1" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p'; }
  [ "$(runpath "$plugins/liboutputcolorspacemodel.so")" = '$ORIGIN' ] || fail "plugin RUNPATH"
  for file in "$usr/bin/tvkhost" "$usr/bin/controller-sim" "$plugins/librestlink.so"; do
    for entry in $(runpath "$file" | tr : ' '); do
      [[ "$entry" == '$ORIGIN'* ]] || fail "$file: RUNPATH entry '$entry'"
    done
  done
  resolved=$(bare ldd "$plugins/liboutputcolorspacemodel.so")
  expect_in "$resolved" "librestlink\.so => $plugins/librestlink\.so" "ldd of the plugin"
  ! grep -q "not found" <<<"$resolved" || fail "unresolved libraries: $resolved"
  # Stripping kept the two entry points and nothing else.
  "$cmake" -DNM="$nm" -DPLUGIN="$plugins/liboutputcolorspacemodel.so" \
    -P "$source_dir/tests/frame/check_exports.cmake"
  ;;

programs)
  # Both programs say their version, and their manual pages render.
  for program in tvkhost controller-sim; do
    [ "$(bare "$usr/bin/$program" --version)" = "$program $(dpkg-deb -f "$(deb)" Version | sed 's/-[^-]*$//')" ] ||
      fail "$program --version: $(bare "$usr/bin/$program" --version 2>&1)"
    page=$(MANWIDTH=100 man -l "$usr/share/man/man1/$program.1.gz" 2>&1) || fail "man -l $program: $page"
    expect_in "$page" "^NAME$" "$program(1)"
    expect_in "$page" "^ +--version$" "$program(1)"
  done
  # The installed tvkhost finds the installed plugin, and controller-sim its documents.
  start_sim
  out=$(bare RESTLINK_BASE_URL="$url" "$usr/bin/tvkhost" get-colorspace interface-info)
  expect_in "$out" "^event 0xFC070204 from outputcolorspacemodel: screenId=1 " "get-colorspace"
  expect_in "$out" "^reply 0xFC050201 from outputcolorspacemodel: interfaceId=769 " "interface-info"
  expect_in "$(cat "$work/$step-sim.err")" "serving the answers of $usr/(bin/\.\./)?share/outputcolorspacemodel" \
    "controller-sim's documents"
  ;;

consumer)
  cmake=$1 cxx=$2 source=$3 build=$work/consumer
  rm -rf "$build"
  configure=$("$cmake" -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$usr" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF 2>&1) ||
    fail "consumer configure: $configure"
  expect_in "$configure" "outputcolorspacemodel 0\.[0-9.]+ from $usr/$libdir/cmake/" "find_package"
  "$cmake" --build "$build" -j1
  start_sim
  out=$(bare RESTLINK_BASE_URL="$url" "$build/consumer" /orvex/v1/screen/list-detail screenType 2)
  expect_in "$out" '^outputcolorspacemodel 0\.1\.0: orvex\.lcd\.model\.output\.colorspace$' "plugin"
  expect_in "$out" '^status 200, [1-9][0-9]* bytes, \{"code":0,' "restlink"
  ;;

*) fail "unknown step '$step'" ;;
esac
