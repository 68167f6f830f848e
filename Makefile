# make         build the program (build/bin/zelvix.exe) and the tests; needs no set-up step
# make setup   install what is missing (Debian 12, as root)
# make run     set-up, build, then run the program under Wine, printing what it publishes
# make test    set-up, build, then run all tests (native and under Wine)
# make screenshot  set-up, build, then save the running program's capture frame as docs/frame.png,
#                  its About box as docs/about.png, zelvix-doctor's grab of what the viewers
#                  see as docs/grab.png and the doctor's window over the program as docs/doctor.png
# make fuzz    set-up, build, then run each libFuzzer target for FUZZ_SECONDS (default 300) seconds
# make dist    set-up, build, then the Windows packages in build/dist: zip, installer, SHA256SUMS
# make bench   set-up, build, then print the benchmark table (each figure against a floor)
# make soak    set-up, build, then the long run that counts leaked handles and memory
# make clean   remove the build outputs (the Wine prefix stays); make distclean: all of build/
SHELL := /bin/bash
.DEFAULT_GOAL := all

BUILD := build
JOBS ?= 2
BUILD_TYPE ?= Release
CMAKE ?= cmake

# i686 where 32-bit Wine runs, x86_64 where the kernel cannot start 32-bit programs.
RUN_ARCH = $(shell source scripts/harness.sh && harness_run_arch)

define configure
	@test -f $(1)/CMakeCache.txt || $(CMAKE) -S . -B $(1) \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-$(2)-mingw.cmake -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
endef

.PHONY: all setup build-i686 build-x64 build-native build-runnable run test dist screenshot fuzz bench soak clean distclean

all: build-i686

setup:
	@scripts/setup.sh

build-i686:
	$(call configure,$(BUILD),i686)
	@$(CMAKE) --build $(BUILD) -j $(JOBS)

build-x64:
	$(call configure,$(BUILD)/x64,x86_64)
	@$(CMAKE) --build $(BUILD)/x64 -j $(JOBS)

build-native:
	@test -f $(BUILD)/native/CMakeCache.txt || $(CMAKE) -S tests/native -B $(BUILD)/native
	@$(CMAKE) --build $(BUILD)/native -j $(JOBS)

# The program itself is always the 32-bit build; a 64-bit build is added where only it can run.
build-runnable: build-i686
	@if [ "$(RUN_ARCH)" = x86_64 ]; then $(MAKE) --no-print-directory build-x64; fi

# run, test, dist, screenshot, bench, soak and fuzz share one recipe: the set-up, then each build
# the target lists (one make each, in order), then its command. The command has a line of its own:
# make -n runs the lines that call $(MAKE) and must only print the command.
run_builds := build-runnable
run_command := scripts/run-zelvix
test_builds := build-runnable build-native
test_command := scripts/make-dist >/dev/null && scripts/run-tests
dist_builds := build-i686
dist_command := scripts/make-dist
screenshot_builds := build-runnable
screenshot_command := scripts/screenshot-frame
bench_builds := build-runnable
bench_command := scripts/run-bench
soak_builds := build-runnable
soak_command := scripts/run-soak
fuzz_builds := build-native
fuzz_command := scripts/run-fuzz

run test dist screenshot bench soak fuzz: setup
	@$(foreach b,$($@_builds),$(MAKE) --no-print-directory $(b) &&) true
	@$($@_command)

clean:
	@if [ -d $(BUILD) ]; then find $(BUILD) -mindepth 1 -maxdepth 1 ! -name wineprefix ! -name .harness.lock -exec rm -rf {} +; fi

distclean:
	@if [ -d $(BUILD)/wineprefix ]; then WINEPREFIX=$(CURDIR)/$(BUILD)/wineprefix wineserver -k 2>/dev/null || true; fi
	rm -rf $(BUILD)
