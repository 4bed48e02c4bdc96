# Loopcraft: the two everyday commands are `make run` and `make test`.
SHELL := /bin/bash
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
RUN_DIR    ?= run

PKG_BUILD  ?= build-pkg
RELEASE_BUILD ?= build-release

.PHONY: all deps build build-release check-layers test test-normal test-asan run bench fuzz package format clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: deps $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS)

test-normal: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLOOPCRAFT_SANITIZE=ON >/dev/null

# The ngspice comparisons run once, in the normal build: their time goes to the circuit simulator,
# and the sanitizers see the same simulation code through the loop-model comparisons.
test-asan: deps $(ASAN_BUILD)/build.ninja
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=$${ASAN_OPTIONS:-detect_leaks=1} \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS) -LE ngspice

# The whole tree, tests included, in the release configuration (CI builds it once after
# `make test`; the tests themselves run in the two builds above).
$(RELEASE_BUILD)/build.ninja: | deps
	@cmake -S . -B $(RELEASE_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release >/dev/null

build-release: deps $(RELEASE_BUILD)/build.ninja
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)

# Every layer includes only from the layers below it: core <- render <- gui <- app, and cli on
# core and render. The engine stays free of Qt so it builds and tests without a display stack.
# Inside the GUI the toolkit (gui/base) sits below the windows (gui/bode, gui/config, ...), and
# those below the shell (gui/shell). The tests of a layer keep to the same rule. A grep over the
# include lines: it takes well under a second, so `make test` runs it first.
GUI_WINDOW_DIRS := $(filter-out base shell,$(patsubst src/gui/%/,%,$(wildcard src/gui/*/)))
empty :=
space := $(empty) $(empty)
# $(call forbid,<folders>,<include path pattern (ERE)>,<what is wrong>)
define forbid
	@if grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*$(2)' $(1); then \
		echo "check-layers: $(3)"; exit 1; fi
endef

check-layers:
	$(call forbid,src/core tests/core,<(Q|qt),the engine includes no Qt header)
	$(call forbid,src/core tests/core,"(render|gui|cli|app)/,core includes nothing from render/gui/cli/app)
	$(call forbid,src/render tests/render,"(gui|cli|app)/,render includes nothing from gui/cli/app)
	$(call forbid,src/gui,"(cli|app)/,gui includes nothing from cli/app)
	$(call forbid,src/cli tests/cli,"(gui|app)/,cli includes nothing from gui/app)
	$(call forbid,src/gui/base,"gui/(shell|$(subst $(space),|,$(GUI_WINDOW_DIRS)))/,gui/base includes nothing from gui/shell or the window folders)
	$(call forbid,$(addprefix src/gui/,$(GUI_WINDOW_DIRS)),"gui/shell/,the window folders include nothing from gui/shell)
	$(call forbid,src,"\.\.?/,sources include by their path from src/ and never relatively (the checks above would miss the rest))
	@echo "check-layers: every include points down"

test: check-layers test-normal test-asan

# Starts the program in a working folder of its own that holds the data files, so PARAMS.TXT
# lands there. Without a display the design report of run/PARAMS.TXT stands in for the window.
run: build
	@mkdir -p $(RUN_DIR)
	@cp -ru data/. $(RUN_DIR)/
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): writing the design report instead."; \
		cd $(RUN_DIR) && ../$(BUILD)/src/cli/loopcraft-cli report --pdf "$(CURDIR)/$(RUN_DIR)/report.pdf"; \
	else \
		cd $(RUN_DIR) && ../$(BUILD)/src/app/loopcraft; \
	fi

# The render layer is on so that the painters can be timed too (configured every time, so an
# older benchmark build without it picks it up).
bench: deps
	@cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
		-DLOOPCRAFT_BUILD_BENCH=ON -DLOOPCRAFT_BUILD_TESTS=OFF -DLOOPCRAFT_BUILD_GUI=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target loopcraft_bench loopcraft_render_bench
	@$(BENCH_BUILD)/bench/loopcraft_bench
	@$(BENCH_BUILD)/bench/loopcraft_render_bench

# Fuzzes the metafile player, the PARAMS.TXT reader, the entry reader and the help parser for
# FUZZ_SECONDS each (clang, libFuzzer, ASan + UBSan). Not part of `make test`. Inputs that crash
# land in tests/data/fuzz/; MINIMISE=1 merges the corpus into fuzz/corpus/. The test suite
# replays both.
$(FUZZ_BUILD)/build.ninja: | deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DLOOPCRAFT_BUILD_FUZZ=ON -DLOOPCRAFT_BUILD_TESTS=OFF >/dev/null

fuzz: deps $(FUZZ_BUILD)/build.ninja
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_wmf_player fuzz_params_file fuzz_entry_reading fuzz_help_document
	@bash scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# A Debian package of the release build: the programs, their data, the desktop entry, icon,
# AppStream metadata and the manual page of the command-line tool.
$(PKG_BUILD)/build.ninja: | deps
	@cmake -S . -B $(PKG_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
		-DLOOPCRAFT_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null

package: deps $(PKG_BUILD)/build.ninja
	@cmake --build $(PKG_BUILD) -j $(JOBS)
	@cd $(PKG_BUILD) && cpack -G DEB >/dev/null
	@ls -1 $(PKG_BUILD)/*.deb

format:
	@find src tests bench tools fuzz -name '*.cpp' -o -name '*.h' | xargs -r clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(PKG_BUILD) $(RELEASE_BUILD)
