# Set-up and build entry points. `make test` and `make demo` install what is missing first.
NATIVE := build/native
WIN32DIR := build/win32
WIN64DIR := build/win64
ASAN := build/asan
TSAN := build/tsan
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: deps build native win32 win64 test unit e2e asan tsan bench size profile32 demo fuzz clean

deps:
	@bash scripts/install-deps.sh

# The shipped programs are the 32-bit ones; the x86-64 build is what the Windows tests run on a
# machine without 32-bit support, and is compiled everywhere so that it cannot rot unnoticed.
build: deps native win32 win64
	@echo "Windows tests run under Wine with build/$$(bash scripts/windows-arch.sh --why)," \
	  "$$(bash scripts/windows-arch.sh --name $$(bash scripts/windows-arch.sh --way))"

# The release tree holds the programs the end-to-end tests and the bench use; the unit tests are
# compiled and run in the sanitizer tree (`make unit`), so each is compiled once.
native:
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release -DQMB_UNIT_TESTS=OFF -Wno-dev >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32:
	@cmake -S . -B $(WIN32DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -Wno-dev >/dev/null
	@cmake --build $(WIN32DIR) -j $(JOBS)

win64:
	@cmake -S . -B $(WIN64DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake -Wno-dev >/dev/null
	@cmake --build $(WIN64DIR) -j $(JOBS)

# Both end with the ways of running the Windows programs that ran and were skipped, with the reason.
# The end-to-end tests run two at once, each in a Wine prefix slot of its own that ctest hands out.
E2E_WAYS := $(NATIVE)/e2e-ways.log
E2E_SLOTS := --resource-spec-file $(CURDIR)/tests/e2e/prefix_slots.json
test: build asan
	@rm -f $(E2E_WAYS)
	@ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS) $(E2E_SLOTS); code=$$?; \
	  bash scripts/e2e-ways.sh $(E2E_WAYS); exit $$code

# The unit tests run under AddressSanitizer and UBSan: they feed the archive library, the section
# readers and the settings readers truncated, bit-flipped and hostile input.
# Line tables (-g1) are all a sanitizer report needs; full debug info made this build three times
# slower to compile.
SANITIZER_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
	-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
asan: deps
	@cmake -S . -B $(ASAN) $(SANITIZER_FLAGS) -DQMB_SANITIZE=ON -Wno-dev >/dev/null
	@cmake --build $(ASAN) -j $(JOBS)
	@ctest --test-dir $(ASAN) -L unit --output-on-failure -j $(JOBS)

# The archive library's tests under ThreadSanitizer: its folders are decoded on worker threads.
tsan: deps
	@cmake -S . -B $(TSAN) $(SANITIZER_FLAGS) -DQMB_TSAN=ON -Wno-dev >/dev/null
	@cmake --build $(TSAN) --target archive_tests -j $(JOBS)
	@ctest --test-dir $(TSAN) -R '^archive_tests_' --output-on-failure

unit: asan

e2e: build
	@rm -f $(E2E_WAYS)
	@ctest --test-dir $(NATIVE) --output-on-failure -L e2e -j $(JOBS) $(E2E_SLOTS); code=$$?; \
	  bash scripts/e2e-ways.sh $(E2E_WAYS); exit $$code

# Every figure lands in build/bench/results; the last step prints them with their goals. The
# background install runs with the shipped 32-bit build where the machine can, and with the x86-64
# build beside it.
bench: build
	@rm -f build/bench/results
	@bash scripts/size.sh || true
	@bash scripts/bench.sh
	@bash scripts/bench_install.sh
	@[ "$$(bash scripts/windows-arch.sh)" = win64 ] || QMB_WINE64=1 bash scripts/bench_install.sh
	@bash scripts/bench_journal.sh
	@bash -c 'source scripts/bench_results.sh && bench_table'

# Where the bytes of the runtime image go, per library and per module, against its goal.
size: win32
	@bash scripts/size.sh

# The LZMA decoder's profile as the 32-bit build compiles it, counted under emulation.
profile32:
	@bash scripts/profile_lzma32.sh

demo: build
	@bash scripts/demo.sh

# libFuzzer runs of the archive reader, the command-line grammar and the settings readers.
fuzz:
	@bash scripts/install-deps.sh fuzz
	@bash scripts/fuzz.sh

clean:
	rm -rf build
