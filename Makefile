# Dusklamp: `make run` sets up, builds and starts the program; `make test` sets up, builds and runs every test.
BUILD_DIR   ?= build
WIN_DIR     := $(BUILD_DIR)/win32
WIN64_DIR   := $(BUILD_DIR)/win64
NATIVE_DIR  := $(BUILD_DIR)/native
FUZZ_DIR    := $(BUILD_DIR)/fuzz
# Seconds per fuzz target.
FUZZ_TIME   ?= 15
JOBS        ?= $(shell nproc)
# A plain optimised Linux build of dusklamp-send, for the benchmark and the distribution.
RELEASE_DIR := $(BUILD_DIR)/native-release
VERSION     := $(shell sed -n 's/^project.Dusklamp VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: all setup configure build native test unit fuzz e2e policies run bench send-release bench-send dist clean

all: build native

setup:
	@bash scripts/setup.sh

$(WIN_DIR)/CMakeCache.txt:
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

$(WIN64_DIR)/CMakeCache.txt:
	cmake -S . -B $(WIN64_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release

$(NATIVE_DIR)/CMakeCache.txt:
	cmake -S . -B $(NATIVE_DIR) -DCMAKE_BUILD_TYPE=Debug

# Both Windows programs from the same sources: 32-bit (the product as designed) and 64-bit.
build: setup $(WIN_DIR)/CMakeCache.txt $(WIN64_DIR)/CMakeCache.txt
	cmake --build $(WIN_DIR) -j $(JOBS)
	cmake --build $(WIN64_DIR) -j $(JOBS)

native: setup $(NATIVE_DIR)/CMakeCache.txt
	cmake --build $(NATIVE_DIR) -j $(JOBS)

unit: native
	ctest --test-dir $(NATIVE_DIR) --output-on-failure

# Every Windows build this machine can run, each under its own Wine.
e2e: build
	@bash scripts/e2e.sh $(WIN_DIR) $(WIN64_DIR)

# The computer list reader, the allowed-senders reader and what the received log carries over,
# each under libFuzzer for a bounded time.
# The corpora they grow and any crash inputs stay in the build directory; the seeds in tests/fuzz
# are only read.
FUZZ_FLAGS := -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc

$(FUZZ_DIR)/computer_list_fuzz: tests/fuzz/ComputerListFuzz.cpp src/net/ComputerList.cpp src/net/ComputerList.h | setup
	mkdir -p $(FUZZ_DIR)/corpus
	clang++ $(FUZZ_FLAGS) tests/fuzz/ComputerListFuzz.cpp src/net/ComputerList.cpp -o $@

SENDERS_SOURCES := src/net/AllowedSenders.cpp src/net/AddressText.cpp

$(FUZZ_DIR)/allowed_senders_fuzz: tests/fuzz/AllowedSendersFuzz.cpp $(SENDERS_SOURCES) src/net/AllowedSenders.h \
  src/net/AddressText.h src/settings/NetworkValues.h | setup
	mkdir -p $(FUZZ_DIR)/senders-corpus
	clang++ $(FUZZ_FLAGS) tests/fuzz/AllowedSendersFuzz.cpp $(SENDERS_SOURCES) -o $@

$(FUZZ_DIR)/received_log_fuzz: tests/fuzz/ReceivedLogFuzz.cpp src/net/CommandLog.cpp src/net/CommandLog.h | setup
	mkdir -p $(FUZZ_DIR)/received-log-corpus
	clang++ $(FUZZ_FLAGS) tests/fuzz/ReceivedLogFuzz.cpp src/net/CommandLog.cpp -o $@

fuzz: $(FUZZ_DIR)/computer_list_fuzz $(FUZZ_DIR)/allowed_senders_fuzz $(FUZZ_DIR)/received_log_fuzz
	$(FUZZ_DIR)/computer_list_fuzz -max_total_time=$(FUZZ_TIME) -artifact_prefix=$(FUZZ_DIR)/ \
	  $(FUZZ_DIR)/corpus tests/fuzz/corpus
	$(FUZZ_DIR)/allowed_senders_fuzz -max_total_time=$(FUZZ_TIME) -artifact_prefix=$(FUZZ_DIR)/senders- \
	  $(FUZZ_DIR)/senders-corpus tests/fuzz/senders-corpus
	$(FUZZ_DIR)/received_log_fuzz -max_total_time=$(FUZZ_TIME) -artifact_prefix=$(FUZZ_DIR)/received-log- \
	  $(FUZZ_DIR)/received-log-corpus tests/fuzz/received-log-corpus

# The Administrative Templates: well-formed, agreeing with each other, and naming only values the
# program reads.
policies: setup
	@bash scripts/check-policies.sh

test: policies unit fuzz e2e

# The 32-bit program where this machine can run it, else the 64-bit one.
run: build
	@bash scripts/run.sh $(WIN_DIR) $(WIN64_DIR)

bench: build
	@bash scripts/bench.sh $(WIN_DIR) $(WIN64_DIR)

$(RELEASE_DIR)/CMakeCache.txt:
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release

send-release: setup $(RELEASE_DIR)/CMakeCache.txt
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target dusklamp_send

# dusklamp-send against 1,000 loopback listeners: wall times, all answering and with 10% black-holed.
bench-send: send-release
	python3 scripts/bench-send.py $(RELEASE_DIR)/bin/dusklamp-send

# Per processor, the two Windows programs, the README and the Administrative Templates in one zip,
# and a Windows Installer package; the templates and the Linux sender beside them.
dist: build send-release policies
	mkdir -p dist
	rm -rf dist/policies
	rm -f dist/dusklamp-$(VERSION)-win32.zip dist/dusklamp-$(VERSION)-win64.zip
	rm -f dist/dusklamp-$(VERSION)-x86.msi dist/dusklamp-$(VERSION)-x64.msi
	mkdir -p dist/policies/en-US
	cp policies/dusklamp.admx dist/policies/
	cp policies/en-US/dusklamp.adml dist/policies/en-US/
	zip -X -j dist/dusklamp-$(VERSION)-win32.zip $(WIN_DIR)/bin/dusklamp.exe $(WIN_DIR)/bin/dusklamp-send.exe README.md
	zip -X -j dist/dusklamp-$(VERSION)-win64.zip $(WIN64_DIR)/bin/dusklamp.exe $(WIN64_DIR)/bin/dusklamp-send.exe README.md
	cd dist && zip -X -r dusklamp-$(VERSION)-win32.zip policies && zip -X -r dusklamp-$(VERSION)-win64.zip policies
	bash scripts/build-msi.sh x86 $(VERSION) $(WIN_DIR)/bin dist/dusklamp-$(VERSION)-x86.msi
	bash scripts/build-msi.sh x64 $(VERSION) $(WIN64_DIR)/bin dist/dusklamp-$(VERSION)-x64.msi
	cp $(RELEASE_DIR)/bin/dusklamp-send dist/dusklamp-send-$(VERSION)-linux-x86_64

clean:
	rm -rf $(BUILD_DIR)
