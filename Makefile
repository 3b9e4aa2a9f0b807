# Two commands on a fresh Debian 12 machine (as root): `make demo` and `make check`.
BUILD   ?= build
JOBS    ?= $(shell nproc)
WERROR  ?= OFF
TYPE    ?= RelWithDebInfo

# Everything the build, the tests and the benchmarks use, from Debian's packages.
PACKAGES := build-essential cmake make pkg-config clang clang-format libclang-rt-14-dev \
            libgtest-dev libgmock-dev qt6-base-dev qt6-serialport-dev qt6-charts-dev \
            qt6-tools-dev qt6-tools-dev-tools libgl-dev locales-all python3 python3-serial \
            valgrind

.PHONY: all deps configure build demo check bench fuzz format clean

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

demo: build
	$(BUILD)/apps/vyx/vyx monitor --simulate --count 20

check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
