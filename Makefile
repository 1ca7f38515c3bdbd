# Vesperlog: `make run` builds and starts the app, `make test` runs every test.
# Both install the Debian packages the project needs first (only what is missing).

BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
BENCH_BUILD_DIR ?= build-bench
FUZZ_BUILD_DIR ?= build-fuzz
PACKAGE_BUILD_DIR ?= build-package
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench fuzz package clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESPERLOG_TESTS=OFF

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/src/App/vesperlog

$(TEST_BUILD_DIR)/build.ninja:
	cmake -S . -B $(TEST_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESPERLOG_SANITIZE=ON -DVESPERLOG_TESTS=ON

test: deps $(TEST_BUILD_DIR)/build.ninja
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	./scripts/run-tests.sh $(TEST_BUILD_DIR)

$(BENCH_BUILD_DIR)/build.ninja:
	cmake -S . -B $(BENCH_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESPERLOG_TESTS=OFF -DVESPERLOG_BENCH=ON

bench: deps $(BENCH_BUILD_DIR)/build.ninja
	cmake --build $(BENCH_BUILD_DIR) -j $(JOBS)
	./scripts/run-bench.sh $(BENCH_BUILD_DIR)

# The RTF reader under libFuzzer (clang) for 60 seconds; new inputs are kept in $(FUZZ_BUILD_DIR)/corpus.
fuzz: deps
	cmake -S fuzz -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)
	mkdir -p $(FUZZ_BUILD_DIR)/corpus
	QT_QPA_PLATFORM=offscreen $(FUZZ_BUILD_DIR)/rtf_reader_fuzz -max_total_time=$(or $(FUZZ_SECONDS),60) \
		-dict=fuzz/rtf.dict $(FUZZ_BUILD_DIR)/corpus fuzz/corpus
	mkdir -p $(FUZZ_BUILD_DIR)/corpus-journal
	$(FUZZ_BUILD_DIR)/journal_json_fuzz -max_total_time=$(or $(FUZZ_SECONDS),60) -max_len=4096 \
		$(FUZZ_BUILD_DIR)/corpus-journal fuzz/corpus-journal

# The release: Vesperlog-<version>.zip of the Vesperlog.app bundle with its SHA-256 (for the update
# feed's manifest), and the .deb that installs into /usr.
$(PACKAGE_BUILD_DIR)/build.ninja:
	cmake -S . -B $(PACKAGE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESPERLOG_TESTS=OFF

package: deps $(PACKAGE_BUILD_DIR)/build.ninja
	cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS)
	cmake --build $(PACKAGE_BUILD_DIR) --target release-zip
	cd $(PACKAGE_BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(BENCH_BUILD_DIR) $(FUZZ_BUILD_DIR) $(PACKAGE_BUILD_DIR)
