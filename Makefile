# Fernwatch front door: `make run` and `make test` do all set-up on a fresh Debian 12 machine.

BUILD        ?= build
SANITIZE_BUILD ?= build-sanitize
BUILD_TYPE   ?= RelWithDebInfo
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)
# dbus: each test that meets the desktop starts a session bus of its own (dbus-daemon) for its stand-ins;
# qt6-base-private-dev: the tests' offscreen theme that has Qt's tray; libqt6sql6-sqlite: the online history;
# libxcb1-dev: an X11 tray is told by its selection.
PACKAGES     := cmake ninja-build g++ make qt6-base-dev libxcb1-dev libqt6sql6-sqlite qt6-translations-l10n \
                fonts-wqy-microhei dbus qt6-base-private-dev
# Only `make fuzz` needs these, so `make run` and `make test` do without clang.
FUZZ_PACKAGES := clang libclang-rt-14-dev
# Only `make bench` needs these: the charset detectors bench_encoding weighs the line reading against.
BENCH_PACKAGES := pkg-config libuchardet-dev libicu-dev
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
CTEST        := QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

PREFIX       ?= $(HOME)/.local/opt/fernwatch

# Windows, cross-built here: Debian's mingw-w64 against a Qt built once from Debian's own qt6-base source
# into the cache below (about 18 minutes on two cores), tested under Debian's Wine. dpkg-dev and tcl:
# unpacking the sources and making SQLite's single-file source; xvfb: Wine's windows need a display.
WINDOWS_BUILD    ?= build-windows
FERNWATCH_QT_CACHE ?= $(HOME)/.cache/fernwatch
WINDOWS_QT       := $(FERNWATCH_QT_CACHE)/qt-6.4.2-mingw64
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 dpkg-dev tcl xvfb xauth \
                    cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-translations-l10n

.PHONY: windows-deps windows test-windows package-windows
.PHONY: all deps fuzz-deps bench-deps configure build run test test-sanitize fuzz bench stress icons screenshots install package desktop-entry format clean

all: build

# Installs whichever of the packages $(1) are missing: apt-get as root, through sudo otherwise.
define install-missing
	@if ! command -v dpkg-query >/dev/null 2>&1; then \
	    echo "Not a Debian system: make sure these are installed: $(1)"; exit 0; fi; \
	missing=""; \
	for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    if [ "$$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi; \
	    $$sudo apt-get update -qq && \
	    $$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))

fuzz-deps:
	$(call install-missing,$(FUZZ_PACKAGES))

bench-deps:
	$(call install-missing,$(BENCH_PACKAGES))

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]; then \
	    echo "No display found (DISPLAY is not set): start Fernwatch on a desktop, or without one: xvfb-run -a $(BUILD)/bin/Fernwatch"; \
	    exit 1; fi
	$(BUILD)/bin/Fernwatch

test: build
	cd $(BUILD) && $(CTEST)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of its own.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERNWATCH_SANITIZE=ON -DFERNWATCH_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)

windows-deps:
	$(call install-missing,$(WINDOWS_PACKAGES))

$(WINDOWS_QT)/.built: tools/windows/build-qt.sh | windows-deps
	FERNWATCH_QT_CACHE=$(FERNWATCH_QT_CACHE) JOBS=$(JOBS) tools/windows/build-qt.sh

# Fernwatch.exe and the Windows suite, in $(WINDOWS_BUILD)/bin and $(WINDOWS_BUILD)/tests.
windows: windows-deps $(WINDOWS_QT)/.built
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERNWATCH_BENCH=OFF \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/tools/windows/mingw64-toolchain.cmake \
	    -DQT_WINDOWS_PREFIX=$(WINDOWS_QT) -DCMAKE_PREFIX_PATH=$(WINDOWS_QT) \
	    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The suite under Wine, one test at a time: the stand-in presence service is the proxy of the Wine
# prefix's Internet settings, which all of them share. A display of its own for Wine's windows.
test-windows: windows
	cd $(WINDOWS_BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" \
	    env QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 1

# $(WINDOWS_BUILD)/Fernwatch-<version>-windows-x64.zip: one folder that runs on a Windows with nothing installed.
package-windows: windows
	cd $(WINDOWS_BUILD) && cpack --config CPackConfig.cmake

# The list-file fuzzer (libFuzzer) for FUZZ_SECONDS, after its seed corpus; non-zero on any finding, with
# the input that found it in $(FUZZ_BUILD)/artifacts. A count of a million friends is a valid file that
# takes the sanitized build about a minute and 2.5 GB to load, save and load again, hence the generous
# limits per input. Each run starts from the seeds alone: the inputs a run learns from, in
# $(FUZZ_BUILD)/corpus, include such lists, and a next run would begin by replaying every one of them.
fuzz: deps fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERNWATCH_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	rm -rf $(FUZZ_BUILD)/corpus
	mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/artifacts
	$(FUZZ_BUILD)/bin/fuzz_listfile -max_total_time=$(FUZZ_SECONDS) -timeout=300 -rss_limit_mb=4096 \
	    -max_len=65536 -len_control=100 -report_slow_units=120 -print_final_stats=1 \
	    -dict=tests/listfile/fuzz_listfile.dict -artifact_prefix=$(FUZZ_BUILD)/artifacts/ \
	    $(FUZZ_BUILD)/corpus tests/listfile/fuzz-corpus

# Configures again, so that a build folder made before the detectors were installed finds them.
bench: deps bench-deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; done

# The whole program killed and terminated at random moments, many times over, during start-up and its check
# run. Prints how the list file came through; fails on any harm.
stress: build
	FERNWATCH_STRESS="50 50" QT_QPA_PLATFORM=offscreen $(BUILD)/tests/app/tst_fernwatchexe \
	    signalAtRandomMoments:SIGKILL signalAtRandomMoments:SIGTERM

# The program's icons and status pictures, painted anew into resources/icons.
icons: configure
	cmake --build $(BUILD) --target iconpainter -j $(JOBS)
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/iconpainter resources/icons

# Pictures of the main window in each skin and of the list's menu, for the READMEs: docs/fernwatch.png,
# docs/menu.png and docs/skin-*.png.
screenshots: configure
	cmake --build $(BUILD) --target skinscreenshots -j $(JOBS)
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/skinscreenshots docs

# The program folder: the executable with its skins, icons and README. The friend list is kept there too,
# so PREFIX must be a folder you own.
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# The same folder as build/Fernwatch-<version>-Linux-<machine>.tar.gz.
package: build
	cd $(BUILD) && cpack --config CPackConfig.cmake

# Installs into PREFIX, then adds Fernwatch to the desktop's application menu (in ~/.local/share).
desktop-entry: install
	"$(PREFIX)/fernwatch-desktop-entry.sh" "$(PREFIX)"

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)
