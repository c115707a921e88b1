# Thin wrappers around CMake and CTest.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Warnings are errors here and in CI, not in a plain cmake build.
override CMAKE_FLAGS += -DTARNWICK_WERROR=ON
# Tests run side by side: each has its own scratch directory, and each end-to-end test its own
# simulated BMC on its own port.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# make fleet-demo: simulated servers (1 to 32), Ansible's --forks, and OOB=1 for out of band
HOSTS ?= 4
FORKS ?= 8
OOB ?= 0

.PHONY: all deps configure check demo fleet-demo bench package format clean

all: configure
	cmake --build $(BUILD) --parallel $(JOBS)

configure:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

# Installs the Debian packages the build, the tests and the simulated BMC need, when missing.
deps:
	sh scripts/install-deps.sh

check: deps all
	ctest --test-dir $(BUILD) --output-on-failure --parallel $(JOBS)

demo: deps all
	sh scripts/demo.sh $(BUILD)/tarnwick

fleet-demo: deps all
	FORKS=$(FORKS) OOB=$(OOB) sh scripts/fleet-demo.sh $(BUILD)/tarnwick $(BUILD)/fleet-demo $(HOSTS)

bench: deps all
	sh bench/run.sh $(BUILD)

package: all
	cd $(BUILD) && cpack -G DEB

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
