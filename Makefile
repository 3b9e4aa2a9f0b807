# Two commands on a fresh Debian 12 machine (as root): `make demo` and `make check`.
BUILD   ?= build
JOBS    ?= $(shell nproc)
WERROR  ?= OFF
TYPE    ?= RelWithDebInfo

# The sanitizer and fuzzing build (clang, AddressSanitizer and UndefinedBehaviorSanitizer),
# the benchmark build, and how long each fuzzer runs inside `check` and in `make fuzz`.
ASAN_BUILD     ?= build-asan
BENCH_BUILD    ?= build-bench
CHECK_FUZZ_SECS ?= 10
FUZZ_SECS      ?= 60
ASAN_TESTS     := vyx_unit_tests vyx_sim_tests vyx_qt_port_tests
FUZZERS        := text_number reception document shell_line
# Any report fails the run; the stacks name the lines.
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 QT_QPA_PLATFORM=offscreen

# Everything the build, the tests and the benchmarks use, from Debian's packages (groff-base:
# the manual pages' test renders them; mosquitto and ser2net: the network tests' broker and
# serial server).
PACKAGES := build-essential cmake make pkg-config clang clang-format libclang-rt-14-dev \
            libgtest-dev libgmock-dev qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev \
            qt6-tools-dev qt6-tools-dev-tools libgl-dev locales-all python3 python3-serial \
            valgrind groff-base mosquitto mosquitto-clients libmosquitto-dev ser2net

.PHONY: all deps configure build demo check check-packages sanitize asan-configure asan-build \
        bench fuzz format clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  if [ "$$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi; \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) -DVYX_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The demo needs the console host alone, not the tests, the widget or the desktop host.
demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target vyx_cli
	$(BUILD)/apps/vyx/vyx monitor --simulate --count 20 --interval 250

check: check-packages build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory sanitize

# A machine that happens to have a package the list forgot builds fine, so both builds are
# checked: every package CMake found, the compilers and the sanitizer runtimes must come from
# PACKAGES or their dependencies (without recommendations, as `deps` installs them).
check-packages: configure asan-configure
	/usr/bin/python3 .ci/check_packages.py --packages "$(PACKAGES)" $(BUILD) $(ASAN_BUILD)

# Only what runs under the sanitizers is built: libvyx's unit tests, the simulated board's
# tests, the Qt port's integration tests and the fuzzers, each fuzzer briefly from its corpus.
asan-configure: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= \
	  -DCMAKE_CXX_FLAGS="-O1 -g" -DCMAKE_PROJECT_Vyx_INCLUDE=$(CURDIR)/cmake/Sanitizers.cmake \
	  -DVYX_FUZZ=ON -DVYX_FUZZ_SECONDS=$(CHECK_FUZZ_SECS) -DVYX_WERROR=$(WERROR)

asan-build: asan-configure
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target $(ASAN_TESTS) $(FUZZERS:%=%_fuzz)

sanitize: asan-build
	$(SAN_ENV) $(ASAN_BUILD)/tests/vyx_unit_tests --gtest_brief=1
	$(SAN_ENV) $(ASAN_BUILD)/tests/sim/vyx_sim_tests --gtest_brief=1
	$(SAN_ENV) $(ASAN_BUILD)/tests/integration/vyx_qt_port_tests --gtest_brief=1
	cd $(ASAN_BUILD) && $(SAN_ENV) ctest -L fuzz --output-on-failure -j $(JOBS)

# Each fuzzer for FUZZ_SECS; new inputs land in $(ASAN_BUILD)/fuzz/found/NAME.
fuzz: asan-build
	for f in $(FUZZERS); do \
	  $(SAN_ENV) $(ASAN_BUILD)/fuzz/$${f}_fuzz -max_total_time=$(FUZZ_SECS) -print_final_stats=1 \
	    -artifact_prefix=$(ASAN_BUILD)/fuzz/ \
	    $(ASAN_BUILD)/fuzz/found/$$f fuzz/corpus/$$f || exit 1; \
	done

# Every benchmark; the figures go to bench/RESULTS.md.
bench: deps
	cmake -S bench -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYX_WERROR=$(WERROR)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	/usr/bin/python3 bench/run_all.py --build $(BENCH_BUILD) --results bench/RESULTS.md

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
