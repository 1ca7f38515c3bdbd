# Vesperlog: `make run` builds and starts the app, `make test` runs every test.
# Each target first installs the Debian packages it needs (only what is missing): `make run` what building
# and running needs, `make test` also the test tools, `make fuzz`, `make package` and `make bench` theirs.
# `make deps` (as root) installs the groups named in DEPS, by default all of them.

BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
BENCH_BUILD_DIR ?= build-bench
FUZZ_BUILD_DIR ?= build-fuzz
PACKAGE_BUILD_DIR ?= build-package
JOBS ?= $(shell nproc)
DEPS ?= run test fuzz package bench

.PHONY: all deps deps-run deps-test deps-fuzz deps-package deps-bench build run test bench fuzz package clean

all: build

deps:
	@./scripts/install-deps.sh $(DEPS)

# What each target needs; every group but "run" adds to it.
deps-run:
	@./scripts/install-deps.sh run
deps-test deps-fuzz deps-package deps-bench: deps-%:
	@./scripts/install-deps.sh run $*

# Configuring needs the packages too; order-only, so an existing tree is not configured again.
$(BUILD_DIR)/build.ninja: | deps-run
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESPERLOG_TESTS=OFF

build: deps-run $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/src/App/vesperlog

$(TEST_BUILD_DIR)/build.ninja: | deps-test
	cmake -S . -B $(TEST_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESPERLOG_SANITIZE=ON -DVESPERLOG_TESTS=ON

test: deps-test $(TEST_BUILD_DIR)/build.ninja
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	JOBS=$(JOBS) ./scripts/run-tests.sh $(TEST_BUILD_DIR)

$(BENCH_BUILD_DIR)/build.ninja: | deps-bench
	cmake -S . -B $(BENCH_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESPERLOG_TESTS=OFF -DVESPERLOG_BENCH=ON

bench: deps-bench $(BENCH_BUILD_DIR)/build.ninja
	cmake --build $(BENCH_BUILD_DIR) -j $(JOBS)
	./scripts/run-bench.sh $(BENCH_BUILD_DIR)

# The RTF reader under libFuzzer (clang) for 60 seconds; new inputs are kept in $(FUZZ_BUILD_DIR)/corpus.
fuzz: deps-fuzz
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
$(PACKAGE_BUILD_DIR)/build.ninja: | deps-package
	cmake -S . -B $(PACKAGE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESPERLOG_TESTS=OFF

package: deps-package $(PACKAGE_BUILD_DIR)/build.ninja
	cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS)
	cmake --build $(PACKAGE_BUILD_DIR) --target release-zip
	cd $(PACKAGE_BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(BENCH_BUILD_DIR) $(FUZZ_BUILD_DIR) $(PACKAGE_BUILD_DIR)
