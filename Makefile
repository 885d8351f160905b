# Kelvaro: the two everyday commands are `make run` and `make test`.

BUILD      ?= build
JOBS       ?= $(shell nproc)
WERROR     ?= OFF
FUZZ_SECONDS ?= 60
CMAKE_GEN  := -G Ninja

.PHONY: run build test bench fuzz format bootstrap clean

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD)/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DKELVARO_BUILD_TESTS=OFF -DWARNINGS_AS_ERRORS=$(WERROR)
	cmake --build $(BUILD)/release -j $(JOBS)

run: build
	$(BUILD)/release/src/kelvaro

test: bootstrap
	cmake -S . -B $(BUILD)/test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	    -DKELVARO_SANITIZE=ON -DWARNINGS_AS_ERRORS=$(WERROR)
	cmake --build $(BUILD)/test -j $(JOBS)
	cd $(BUILD)/test && ctest --output-on-failure -j $(JOBS)

bench: bootstrap
	cmake -S . -B $(BUILD)/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	    -DKELVARO_BUILD_TESTS=OFF -DKELVARO_BUILD_BENCH=ON
	cmake --build $(BUILD)/bench -j $(JOBS)
	@set -e; for b in $(BUILD)/bench/bench/bench_*; do \
	    [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; \
	    QT_QPA_PLATFORM=offscreen "$$b" $(BENCH_ARGS); done

fuzz: bootstrap
	cmake -S . -B $(BUILD)/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++ -DKELVARO_BUILD_TESTS=OFF -DKELVARO_BUILD_FUZZ=ON
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	@set -e; for f in $(BUILD)/fuzz/fuzz/fuzz_*; do \
	    [ -f "$$f" ] && [ -x "$$f" ] || continue; name=$$(basename $$f); \
	    corpus=$(BUILD)/fuzz/corpus/$$name; mkdir -p $$corpus; \
	    seeds=fuzz/seeds/$${name#fuzz_}; [ -d $$seeds ] || seeds=; \
	    echo "== $$name for $(FUZZ_SECONDS) s"; \
	    "$$f" -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	        -print_final_stats=1 $$corpus $$seeds; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
