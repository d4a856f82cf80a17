# Two commands cover a newcomer's day: `make run` and `make test`.
# Both install what is missing first (Debian packages), then build.

BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_REL   ?= build-release
BUILD_FUZZ  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test test-sanitize bench fuzz format tidy package clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/app/quorvix-options

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UBSan.
test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DQUORVIX_SANITIZE=ON -DQUORVIX_BUILD_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD_REL) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(BUILD_REL) -j $(JOBS)
	./scripts/run-benchmarks.sh $(BUILD_REL)

# Bounded fuzzing of every libFuzzer target (clang).
fuzz: deps
	CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIX_FUZZ=ON \
	  -DBUILD_TESTING=OFF -DQUORVIX_BUILD_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzzers
	./scripts/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The checks of .clang-tidy over src/, with the build tree's compile commands.
# Needs Debian's clang-tidy package, which `make deps` leaves out: no test or
# CI step runs it.
tidy: build
	run-clang-tidy -quiet -j $(JOBS) -p $(BUILD) '^$(CURDIR)/src/'

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_REL) $(BUILD_FUZZ)
