# Dusklamp: `make run` sets up, builds and starts the program; `make test` sets up, builds and runs every test.
BUILD_DIR   ?= build
WIN_DIR     := $(BUILD_DIR)/win32
NATIVE_DIR  := $(BUILD_DIR)/native
JOBS        ?= $(shell nproc)

.PHONY: all setup configure build native test unit e2e run bench clean

all: build

setup:
	@bash scripts/setup.sh

$(WIN_DIR)/CMakeCache.txt:
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

$(NATIVE_DIR)/CMakeCache.txt:
	cmake -S . -B $(NATIVE_DIR) -DCMAKE_BUILD_TYPE=Debug

build: setup $(WIN_DIR)/CMakeCache.txt
	cmake --build $(WIN_DIR) -j $(JOBS)

native: setup $(NATIVE_DIR)/CMakeCache.txt
	cmake --build $(NATIVE_DIR) -j $(JOBS)

unit: native
	ctest --test-dir $(NATIVE_DIR) --output-on-failure

# Two at a time: the forced session end runs in a Wine session of its own beside the others.
e2e: build
	ctest --test-dir $(WIN_DIR) --output-on-failure -j 2

test: unit e2e

run: build
	@bash scripts/run.sh $(WIN_DIR)/bin/dusklamp.exe

bench: build
	@bash scripts/bench.sh $(WIN_DIR)

clean:
	rm -rf $(BUILD_DIR)
