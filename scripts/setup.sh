#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on a
# Debian 12 machine, then builds libjpeg-turbo and giflib for MinGW (x86 and
# x64) from Debian's own source packages into build/deps.
#
# Safe to run again: packages already present are not touched and the
# libraries are rebuilt only when their install folder is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"

log() { printf '== setup: %s\n' "$*"; }

sudo_if_needed() {
	if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

packages=(
	build-essential cmake ninja-build pkg-config git dpkg-dev file
	g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
	binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
	nasm
	wine wine64 wine32:i386 xvfb xauth xdotool x11-utils
	googletest libgtest-dev libgmock-dev libbenchmark-dev
	libjpeg62-turbo-dev libgif-dev libjpeg-turbo-progs imagemagick
	clang libclang-rt-14-dev clang-format
	hyperfine time
	nsis rst2pdf
)

install_packages() {
	if ! dpkg --print-foreign-architectures | grep -qx i386; then
		log "adding the i386 architecture (32-bit Wine)"
		sudo_if_needed dpkg --add-architecture i386
		need_update=1
	fi
	local missing=()
	for p in "${packages[@]}"; do
		dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
			missing+=("$p")
	done
	if [ ${#missing[@]} -eq 0 ]; then
		log "all Debian packages present"
		return
	fi
	log "installing: ${missing[*]}"
	export DEBIAN_FRONTEND=noninteractive
	sudo_if_needed apt-get update -qq
	sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# A private apt configuration that knows the deb-src twins of the machine's
# own sources, so `apt-get source` works without touching /etc/apt.
fetch_sources() {
	local apt="$deps/apt" src="$deps/src"
	mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$src"
	local list=/etc/apt/sources.list.d/debian.sources
	if [ -f "$list" ]; then
		sed -e 's/^Types:.*/Types: deb-src/' "$list" >"$apt/sources.list.d/debian-src.sources"
	else
		grep -h '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' >"$apt/sources.list.d/debian-src.list"
	fi
	local opts=(-o "Dir::Etc::SourceParts=$apt/sources.list.d" -o "Dir::Etc::SourceList=/dev/null"
		-o "Dir::State::Lists=$apt/lists" -o "APT::Sandbox::User=root")
	if [ ! -d "$src/libjpeg-turbo" ] || [ ! -d "$src/giflib" ]; then
		log "fetching Debian source packages libjpeg-turbo and giflib"
		apt-get "${opts[@]}" update -qq
		(cd "$src" && rm -rf libjpeg-turbo* giflib* &&
			apt-get "${opts[@]}" source -qq libjpeg-turbo giflib >/dev/null 2>&1 &&
			mv "$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)" libjpeg-turbo &&
			mv "$(find . -maxdepth 1 -type d -name 'giflib-*' | head -n 1)" giflib)
	fi
}

build_libraries() {
	local arch
	for arch in x86 x64; do
		local prefix="$deps/mingw-$arch"
		if [ -f "$prefix/.complete" ]; then
			log "libraries for $arch present"
			continue
		fi
		rm -rf "$prefix" "$deps/work-$arch"
		log "building libjpeg-turbo for MinGW $arch"
		cmake -S "$deps/src/libjpeg-turbo" -B "$deps/work-$arch/jpeg" -G Ninja \
			-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
			-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
			-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON \
			>"$deps/work-$arch.jpeg.log"
		cmake --build "$deps/work-$arch/jpeg" --target install >>"$deps/work-$arch.jpeg.log"
		log "building giflib for MinGW $arch"
		cmake -S "$root/cmake/giflib" -B "$deps/work-$arch/gif" -G Ninja \
			-DGIFLIB_SOURCE_DIR="$deps/src/giflib" \
			-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
			-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
			>"$deps/work-$arch.gif.log"
		cmake --build "$deps/work-$arch/gif" --target install >>"$deps/work-$arch.gif.log"
		rm -rf "$deps/work-$arch"
		touch "$prefix/.complete"
	done
}

install_packages
fetch_sources
build_libraries
log "done"
