# The two commands of a fresh Debian 12 machine. Both install what they need
# first (tools/install-deps asks for root through sudo when not root).
.PHONY: demo test build-host build-host-asan build-fuzz build-windows build-windows-release clean

demo: build-host build-windows
	tools/demo

test: build-host-asan build-fuzz build-windows build-windows-release
	tools/run-tests

build-host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host

build-host-asan: deps
	cmake --preset host-asan >/dev/null
	cmake --build --preset host-asan

# The fuzzers need clang's libFuzzer: a project of their own.
build-fuzz: deps
	cmake -S tests/fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake --build build/fuzz

build-windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows

# What tools/make-disc ships; the disc maker's tests build on it.
build-windows-release: deps
	cmake --preset windows-release >/dev/null
	cmake --build --preset windows-release --target Setup portio_release

.PHONY: deps
deps:
	tools/install-deps

clean:
	rm -rf build
