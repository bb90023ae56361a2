#!/usr/bin/env bash
# The Debian package as a user gets it: built with cpack, unpacked with dpkg -x
# into a staging folder, and run from there with no environment help (no
# LD_LIBRARY_PATH, no settings but the controller's address).
#
#   installed_tree_test.sh stage    WORK LIBDIR CPACK CPACK_CONFIG
#   installed_tree_test.sh contents WORK LIBDIR ARCH SOURCE_DIR CMAKE NM
#   installed_tree_test.sh programs WORK LIBDIR
#   installed_tree_test.sh consumer WORK LIBDIR CMAKE CXX CONSUMER_SOURCE_DIR
#
# WORK holds packages/ (the .deb) and root/ (its unpacked files); "stage" makes
# both, the other steps only read them. LIBDIR is the library folder below /usr.
set -euo pipefail

step=$1
work=$(realpath "$2")
libdir=$3
shift 3
root=$work/root
usr=$root/usr
plugins=$usr/$libdir/outputcolorspacemodel/plugins

# The text as an extended regular expression that matches only itself.
literal() {
  sed 's/[][\.^$*+?(){}|]/\\&/g' <<<"$1"
}
usr_re=$(literal "$usr")
plugins_re=$(literal "$plugins")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The only package file, or a failure.
package_file() {
  local files=("$work"/packages/*.deb)
  [ "${#files[@]}" -eq 1 ] && [ -f "${files[0]}" ] ||
    fail "expected exactly one .deb in $work/packages, found: ${files[*]}"
  echo "${files[0]}"
}

# Runs a program with an empty environment apart from PATH and the arguments
# given as NAME=VALUE before it.
bare() {
  env -i PATH=/usr/bin:/bin "$@"
}

sim_pid=
sim_port=
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
}
trap stop_sim EXIT

# Starts the installed controller-sim on a free port and waits for its port line.
start_sim() {
  local out=$1
  # env execs the program: $! is the simulator itself.
  env -i PATH=/usr/bin:/bin "$usr/bin/controller-sim" --port 0 >"$out.stdout" 2>"$out.stderr" &
  sim_pid=$!
  for _ in $(seq 300); do
    [ "$(wc -l <"$out.stdout")" -ge 1 ] && break
    kill -0 "$sim_pid" 2>/dev/null || fail "controller-sim ended: $(cat "$out.stderr")"
    sleep 0.1
  done
  local line
  line=$(head -n 1 "$out.stdout")
  [[ "$line" =~ ^controller-sim\ listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]] ||
    fail "no port line from controller-sim: '$line' $(cat "$out.stderr")"
  sim_port=${BASH_REMATCH[1]}
}

expect_in() {
  local text=$1 pattern=$2 what=$3
  grep -qE -- "$pattern" <<<"$text" || fail "$what: no match for '$pattern' in:
$text"
}

case "$step" in
stage)
  cpack=$1
  config=$2
  rm -rf "$work/packages" "$root"
  "$cpack" -G DEB --config "$config" -B "$work/packages"
  deb=$(package_file)
  dpkg -x "$deb" "$root"
  echo "unpacked $deb into $root"
  ;;

contents)
  arch=$1
  source_dir=$2
  cmake=$3
  nm=$4
  deb=$(package_file)
  [ "$(basename "$deb")" = "outputcolorspacemodel_$(dpkg-deb -f "$deb" Version)_$arch.deb" ] ||
    fail "unexpected file name $(basename "$deb")"
  [ "$(dpkg-deb -f "$deb" Package)" = outputcolorspacemodel ] || fail "package name"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] ||
    fail "architecture $(dpkg-deb -f "$deb" Architecture), expected $arch"
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libc6 'libstdc\+\+6' libqt5core5a libcurl4 'libcpp-httplib0\.11'; do
    expect_in "$depends" "(^|, )$library( |,|$)" "Depends"
  done

  for file in bin/tvkhost bin/controller-sim \
    "$libdir/outputcolorspacemodel/plugins/liboutputcolorspacemodel.so" \
    "$libdir/outputcolorspacemodel/plugins/librestlink.so" \
    include/outputcolorspacemodel/tvk.h include/outputcolorspacemodel/restlink.h \
    "$libdir/cmake/outputcolorspacemodel/outputcolorspacemodelConfig.cmake" \
    "$libdir/cmake/outputcolorspacemodel/outputcolorspacemodelConfigVersion.cmake" \
    "$libdir/cmake/outputcolorspacemodel/outputcolorspacemodelTargets.cmake"; do
    [ -f "$usr/$file" ] || fail "missing /usr/$file"
  done
  cmp "$source_dir/src/host/tvk.h" "$usr/include/outputcolorspacemodel/tvk.h"
  cmp "$source_dir/src/host/restlink.h" \
    "$usr/include/outputcolorspacemodel/restlink.h"
  for document in "$source_dir"/data/*.json; do
    cmp "$document" "$usr/share/outputcolorspacemodel/$(basename "$document")"
  done
  # Nothing outside the project's own folders (no stray headers or libraries).
  libdir_re=$(literal "$libdir")
  stray=$(cd "$root" && find . -type f |
    grep -vE "^\./usr/(bin/(tvkhost|controller-sim)|($libdir_re|include|share)/outputcolorspacemodel/|$libdir_re/cmake/outputcolorspacemodel/)" ||
    true)
  [ -z "$stray" ] || fail "files outside the project's folders: $stray"

  # RUNPATH: exactly $ORIGIN for the plugin; nothing that points into a build tree.
  runpath=$(readelf -d "$plugins/liboutputcolorspacemodel.so" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p')
  [ "$runpath" = '$ORIGIN' ] || fail "plugin RUNPATH '$runpath', expected \$ORIGIN"
  for file in "$usr/bin/tvkhost" "$usr/bin/controller-sim" "$plugins/librestlink.so"; do
    paths=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
    for entry in ${paths//:/ }; do
      [[ "$entry" == '$ORIGIN'* ]] || fail "$file: RUNPATH entry '$entry' is not relative to \$ORIGIN"
    done
  done
  # The loader finds librestlink.so beside the plugin by itself.
  resolved=$(bare ldd "$plugins/liboutputcolorspacemodel.so")
  expect_in "$resolved" "librestlink\.so => $plugins_re/librestlink\.so" "ldd of the plugin"
  ! grep -q "not found" <<<"$resolved" || fail "unresolved libraries: $resolved"
  # Stripping kept the two entry points and nothing else.
  "$cmake" -DNM="$nm" -DPLUGIN="$plugins/liboutputcolorspacemodel.so" \
    -P "$source_dir/tests/frame/check_exports.cmake"
  ;;

programs)
  start_sim "$work/programs-sim"
  expect_in "$(cat "$work/programs-sim.stderr")" \
    "interfaces from $usr_re/(bin/\.\./)?share/outputcolorspacemodel" "controller-sim's documents"

  info=$(bare "$usr/bin/tvkhost" info)
  expect_in "$info" "^plugin $plugins_re/liboutputcolorspacemodel\.so$" "tvkhost info"
  expect_in "$info" '^component 0 "orvex\.lcd\.model\.output\.colorspace"$' "tvkhost info"
  expect_in "$info" "subscriptions: 5" "tvkhost info"

  url=http://127.0.0.1:$sim_port
  colorspace=$(bare RESTLINK_BASE_URL="$url" "$usr/bin/tvkhost" get-colorspace)
  expect_in "$colorspace" "^event 0xFC070204 from outputcolorspacemodel: screenId=1 " \
    "tvkhost get-colorspace"
  interface=$(bare RESTLINK_BASE_URL="$url" "$usr/bin/tvkhost" interface-info)
  expect_in "$interface" "^reply 0xFC050201 from outputcolorspacemodel: interfaceId=769 " \
    "tvkhost interface-info"
  stop_sim
  expect_in "$(cat "$work/programs-sim.stderr")" \
    "GET /orvex/v1/screen/list-detail\?screenType=2 -> 200" "controller-sim's request log"
  echo "$info"
  echo "$colorspace"
  echo "$interface"
  ;;

consumer)
  cmake=$1
  cxx=$2
  consumer_source=$3
  build=$work/consumer
  rm -rf "$build"
  configure=$("$cmake" -S "$consumer_source" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$usr" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF 2>&1) || fail "consumer configure: $configure"
  expect_in "$configure" "outputcolorspacemodel 0\.[0-9.]+ from $usr_re/$(literal "$libdir")/cmake/outputcolorspacemodel" \
    "find_package(outputcolorspacemodel)"
  "$cmake" --build "$build" -j1

  plugin=$(bare "$build/host_probe")
  expect_in "$plugin" '^outputcolorspacemodel 0\.1\.0: orvex\.lcd\.model\.output\.colorspace$' \
    "a host built against the package"
  start_sim "$work/consumer-sim"
  screens=$(bare RESTLINK_BASE_URL="http://127.0.0.1:$sim_port" "$build/restlink_probe" \
    /orvex/v1/screen/list-detail screenType 2)
  expect_in "$screens" '^status 200, [1-9][0-9]* bytes, \{"code":0,' "a restlink client built against the package"
  echo "$plugin"
  echo "$screens"
  ;;

*)
  fail "unknown step '$step'"
  ;;
esac
