# Set-up and build entry points. `make test` and `make demo` install what is missing first.
NATIVE := build/native
WIN32DIR := build/win32
ASAN := build/asan
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: deps build native win32 test unit e2e asan bench demo fuzz clean

deps:
	@bash scripts/install-deps.sh

build: deps native win32

native:
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release -Wno-dev >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32:
	@cmake -S . -B $(WIN32DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -Wno-dev >/dev/null
	@cmake --build $(WIN32DIR) -j $(JOBS)

test: build asan
	@ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)

# The unit tests again under AddressSanitizer and UBSan: they feed the archive library, the section
# readers and the settings readers truncated, bit-flipped and hostile input.
asan: deps
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQMB_SANITIZE=ON -Wno-dev >/dev/null
	@cmake --build $(ASAN) -j $(JOBS)
	@ctest --test-dir $(ASAN) -L unit --output-on-failure -j $(JOBS)

unit: deps native
	@ctest --test-dir $(NATIVE) --output-on-failure -L unit -j $(JOBS)

e2e: build
	@ctest --test-dir $(NATIVE) --output-on-failure -L e2e

bench: build
	@bash scripts/bench.sh

demo: build
	@bash scripts/demo.sh

# libFuzzer runs of the archive reader, the command-line grammar and the settings readers.
fuzz:
	@bash scripts/install-deps.sh fuzz
	@bash scripts/fuzz.sh

clean:
	rm -rf build
