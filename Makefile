# Kestrune: make deps | build | run | road-pictures | test | test-optimised | tsan | bench | fuzz
# BUILD_ROOT lets several people build side by side in one checkout; CTEST_ARGS on make's command line
# narrows a test run (for example CTEST_ARGS='-R Storage').

BUILD_ROOT ?= build
JOBS       ?= $(shell nproc)
ARGS       ?=
CTEST_ARGS ?=
FUZZ_SECONDS ?= 60
FUZZ_CORPUS ?= fuzz-corpus
# How long a test program run whole (`make test-whole`) may go without a test of it starting or ending
# before it is stopped and fails: ctest's limit for one test. A limit on progress, not on the whole run,
# whose length grows with the machine's load.
WHOLE_SECONDS ?= 300

# The tests run whole whatever the environment holds: a CTEST_ARGS left in it, or a GoogleTest variable
# that picks or shares out tests (GTEST_FILTER, GTEST_TOTAL_SHARDS with GTEST_SHARD_INDEX, GTEST_REPEAT=0,
# a GTEST_FLAGFILE, Bazel's TESTBRIDGE_TEST_ONLY), would skip tests while ctest counts their programs as
# passed. CTEST_ARGS narrows a run only when given on make's command line; no GTEST_ or TESTBRIDGE_
# variable reaches the tests.
ifneq ($(filter environment%,$(origin CTEST_ARGS)),)
override CTEST_ARGS :=
endif
unexport CTEST_ARGS $(filter GTEST_% TESTBRIDGE_%,$(.VARIABLES))
# Nor do the sanitizers take their options from it: ASAN_OPTIONS=exitcode=0 or detect_leaks=0 would let
# a failing test pass. `make tsan` gives ThreadSanitizer its own.
unexport ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS MSAN_OPTIONS

# What building and running the application needs (`make run`); the rest is for the tests and the
# benchmarks. fonts-dejavu-core: the snapshot pictures use DejaVu, so that they look the same on every
# machine; DejaVu has Latin, Cyrillic and Arabic, fonts-droid-fallback the Chinese and Japanese texts and
# fonts-nanum the Korean ones. fonts-dejavu-extra: DejaVu's light face, in which the light text style (the
# grey descriptions) is drawn; without it they fall back to the regular weight. ccache: a rebuild of
# objects already built once (another checkout, CI on the same machine) comes from its cache.
# ninja-build: it keeps every core busy across the libraries, where the Makefile generator builds them
# one after another.
RUN_PACKAGES := cmake g++ make ninja-build pkg-config ccache zlib1g-dev libssl-dev libcurl4-openssl-dev libplist-dev \
                nlohmann-json3-dev libcairo2-dev libpango1.0-dev fonts-dejavu-core fonts-dejavu-extra \
                fonts-droid-fallback fonts-nanum libjpeg62-turbo-dev
PACKAGES := $(RUN_PACKAGES) libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev

# The hosted backend's tests run against a real Parse Server (npm, pinned) on a throwaway PostgreSQL
# cluster. The server package lives in a cache outside the checkout, installed once and then reused.
BACKEND_PACKAGES := postgresql
PARSE_SERVER_VERSION := 8.4.0
export KESTRUNE_PARSE_SERVER_DIR ?= $(HOME)/.cache/kestrune/parse-server-$(PARSE_SERVER_VERSION)

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# ccache is looked for when cmake runs, after the packages are installed, so that the very first build
# already fills its cache.
CMAKE_COMMON := -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $$(command -v ccache >/dev/null && \
                echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

# Configures build folder $(1) with cmake arguments $(2), quietly: with Ninja where it is installed, and a
# folder made before with another generator is configured anew (its objects come back from ccache).
# Errors, and the notices of what is missing, still reach the terminal.
define configure
	generator=$$(command -v ninja >/dev/null && echo Ninja || echo "Unix Makefiles"); \
	if [ -f $(1)/CMakeCache.txt ] && ! grep -qx "CMAKE_GENERATOR:INTERNAL=$$generator" $(1)/CMakeCache.txt; then \
	  echo "$(1): configured anew for $$generator"; rm -rf $(1)/CMakeCache.txt $(1)/CMakeFiles; \
	fi; \
	cmake -S . -B $(1) -G "$$generator" $(2) $(CMAKE_COMMON) >/dev/null
endef

# ctest fails when it finds no test to run (nothing configured, or CTEST_ARGS matching nothing).
CTEST := ctest --output-on-failure --no-tests=error -j $(JOBS)
# A first build of the application from nothing takes about this many minutes of one core (8.4 measured
# without ccache on the shared 8-core x86 machine, load average 13-21; the README says the same); `make
# run` says what that makes with its jobs, which Ninja keeps busy until the final link.
FIRST_BUILD_CORE_MINUTES ?= 9

.PHONY: deps run-deps tool-deps build run road-pictures test test-whole test-optimised tsan bench fuzz fuzz-deps clean format

# Installs only what is missing, so a machine that has everything does not touch apt at all.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

run-deps:
	$(call install_missing,$(RUN_PACKAGES))

# What building the tests, the benchmarks and the fuzz targets needs, without the backend's server.
tool-deps:
	$(call install_missing,$(PACKAGES))

deps:
	$(call install_missing,$(PACKAGES) $(BACKEND_PACKAGES))
	@command -v node >/dev/null && command -v npm >/dev/null || { $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq nodejs npm; }
	@[ -f "$(KESTRUNE_PARSE_SERVER_DIR)/node_modules/parse-server/package.json" ] || { \
	  echo "installing parse-server@$(PARSE_SERVER_VERSION) into $(KESTRUNE_PARSE_SERVER_DIR)"; \
	  rm -rf "$(KESTRUNE_PARSE_SERVER_DIR).partial" && mkdir -p "$(KESTRUNE_PARSE_SERVER_DIR).partial" && \
	  npm install --prefix "$(KESTRUNE_PARSE_SERVER_DIR).partial" --no-save --no-package-lock --no-audit \
	    --no-fund --omit=dev --loglevel=error parse-server@$(PARSE_SERVER_VERSION) >/dev/null && \
	  rm -rf "$(KESTRUNE_PARSE_SERVER_DIR)" && mv "$(KESTRUNE_PARSE_SERVER_DIR).partial" "$(KESTRUNE_PARSE_SERVER_DIR)"; }

build: run-deps
	@[ -x $(BUILD_ROOT)/app/kestrune ] || echo "first build: about $$(( ($(FIRST_BUILD_CORE_MINUTES) + $(JOBS) - 1) / $(JOBS) )) minutes with $(JOBS) jobs (less if ccache has seen these sources); later builds take seconds"
	@$(call configure,$(BUILD_ROOT)/app,-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_REQUIRE_TESTS=OFF)
	cmake --build $(BUILD_ROOT)/app -j $(JOBS) --target kestrune

# Without ARGS: the default scenario, the whole road in about a minute; ARGS=... runs kestrune so.
run: build
	$(BUILD_ROOT)/app/kestrune $(if $(ARGS),$(ARGS),--scenario default)

# The README's pictures of the default road (docs/road): the panel and the settings window at its key
# steps, each entry NAME:PICTURES:WORDS, the step found by its words (_ for a space) in the index the run
# writes. Before pairing, the settings window is pictured once "Add a new iPhone" has opened the pairing
# wizard (the welcome page with the button is the scene settings-devices-welcome). A picture the same as
# an earlier one is not repeated (back at the desk the panel is as when
# paired, the settings window the same from pairing on). The road's phone gives a steady signal wherever
# it lies, and the locked panel is pictured once it has lain still away from the desk for some seconds:
# the pictures come out the same on every run. The scenario plays in real time, about a minute, in a home
# of its own made in the build folder (not in /tmp, where it would stay); its timeline is kept beside it
# (road-timeline.txt), and so is the home, which the timeline's closing lines name (the log, the photo).
# The next run replaces both.
ROAD_STEPS := 1-before-pairing:panel:play_music \
              1-before-pairing:settings:the_pairing_wizard_opens \
              2-asks-to-pair:settings:asks_to_pair \
              3-paired:panel,settings:click_Kestrune's_icon \
              4-locked:panel:sits_down_at_your_Mac
road-pictures: build
	@rm -rf $(BUILD_ROOT)/road $(BUILD_ROOT)/road-home && mkdir -p $(BUILD_ROOT)/road-home && \
	  echo "playing the default scenario (about a minute)"
	TMPDIR=$(abspath $(BUILD_ROOT)/road-home) $(BUILD_ROOT)/app/kestrune --scenario default \
	  --snapshots $(BUILD_ROOT)/road >$(BUILD_ROOT)/road-timeline.txt
	@mkdir -p docs/road && rm -f docs/road/*.png
	@for entry in $(foreach s,$(ROAD_STEPS),"$(s)"); do \
	  name=$${entry%%:*}; rest=$${entry#*:}; pictures=$$(echo "$${rest%%:*}" | tr , ' '); \
	  words=$$(echo "$${rest#*:}" | tr _ ' '); \
	  step=$$(grep -F -m1 "$$words" $(BUILD_ROOT)/road/steps.txt | cut -d' ' -f1); \
	  [ -n "$$step" ] || { echo "road-pictures: no step \"$$words\" in $(BUILD_ROOT)/road/steps.txt"; exit 1; }; \
	  for what in $$pictures; do cp $(BUILD_ROOT)/road/$$step-$$what.png docs/road/$$name-$$what.png; done; \
	  echo "docs/road/$$name ($$pictures): step $$step, $$words"; \
	done
	@echo "the scenario's timeline: $(BUILD_ROOT)/road-timeline.txt; its home: $(BUILD_ROOT)/road-home"

test: deps
	@$(call configure,$(BUILD_ROOT)/asan,-DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=address -DKESTRUNE_REQUIRE_TESTS=ON)
	cmake --build $(BUILD_ROOT)/asan -j $(JOBS)
	cd $(BUILD_ROOT)/asan && $(CTEST) $(CTEST_ARGS)
	$(if $(strip $(CTEST_ARGS)),@true,@$(MAKE) --no-print-directory test-whole)

# ctest runs every test in a process of its own; here each test program runs once more whole, in an
# order of its own, so that a test that leaves state behind for a later one is caught. The programs are
# those the configure listed: one not built, one that fails, one that runs no test or fewer tests than
# it lists, one in which a test skipped itself that tests/allowed_skips.txt does not name, or one in which
# no test started or ended for WHOLE_SECONDS (tests/run_whole.sh names the test it was in), fails the target.
test-whole:
	@dir=$(BUILD_ROOT)/asan; list=$$dir/test_programs.txt; \
	[ -s $$list ] || { echo "test-whole: no test programs configured in $$dir (make test configures and builds them)"; exit 1; }; \
	missing=$$(for t in $$(cat $$list); do [ -x $$t ] || printf ' %s' $${t##*/}; done); \
	[ -z "$$missing" ] || { echo "test-whole: test programs not built in $$dir:$$missing"; exit 1; }; \
	rm -f $$dir/*.whole.log $$dir/*.whole.list $$dir/*.whole.passed; \
	xargs -P $(JOBS) -I{} sh $(CURDIR)/tests/run_whole.sh {} $$dir $(WHOLE_SECONDS) < $$list; status=$$?; \
	total=$$(grep -c . $$list); passed=$$(ls $$dir | grep -c '\.whole\.passed$$'); \
	echo "test-whole: $$passed passed, $$((total - passed)) failed"; \
	[ $$status = 0 ] && [ $$passed = $$total ]

# The reporting kits' tests (capture, stack walker, crash probes, upload) once more in the optimised
# build that `make run` uses: crash reports come from such builds, and optimisation changes the frames
# the walker meets. Every test of the folder runs, whatever its name, and so do the tests labelled
# `optimised` elsewhere: the application crashing on request and the next launch sending its report.
test-optimised: tool-deps
	@$(call configure,$(BUILD_ROOT)/app,-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_REQUIRE_TESTS=ON)
	cmake --build $(BUILD_ROOT)/app -j $(JOBS) --target reporting_tests main_tests
	cd $(BUILD_ROOT)/app && $(CTEST) -L '^(reporting|optimised)$$' $(CTEST_ARGS)

# What the tests leave out here, and what they run in part, is said after them whether they passed or not
# (tests/tsan_left_out.sh counts it); the target's status is ctest's.
tsan: deps
	@$(call configure,$(BUILD_ROOT)/tsan,-DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=thread -DKESTRUNE_REQUIRE_TESTS=ON)
	cmake --build $(BUILD_ROOT)/tsan -j $(JOBS)
	(cd $(BUILD_ROOT)/tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  $(CTEST) $(CTEST_ARGS)); status=$$?; \
	  sh $(CURDIR)/tests/tsan_left_out.sh $(BUILD_ROOT)/tsan $(BUILD_ROOT)/asan; exit $$status

bench: tool-deps
	@$(call configure,$(BUILD_ROOT)/bench,-DCMAKE_BUILD_TYPE=Release)
	cmake --build $(BUILD_ROOT)/bench -j $(JOBS) --target benchmarks kestrune
	@for b in $(BUILD_ROOT)/bench/bench/*_bench; do [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true
	@[ -x bench/idle_cpu.sh ] && bench/idle_cpu.sh $(BUILD_ROOT)/bench/kestrune || true

fuzz-deps: tool-deps
	$(call install_missing,$(FUZZ_PACKAGES))

# Each decoder of outside input has a libFuzzer target; every target runs FUZZ_SECONDS.
fuzz: fuzz-deps
	@export CC=clang CXX=clang++; \
	$(call configure,$(BUILD_ROOT)/fuzz,-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON)
	cmake --build $(BUILD_ROOT)/fuzz -j $(JOBS) --target fuzz_targets
	@set -e; for f in $(BUILD_ROOT)/fuzz/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; name=$$(basename $$f); mkdir -p $(FUZZ_CORPUS)/$$name; \
	  echo "== $$name"; "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $(FUZZ_CORPUS)/$$name $$( [ -d fuzz/seeds/$$name ] && echo fuzz/seeds/$$name ); \
	done

clean:
	rm -rf $(BUILD_ROOT)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i
