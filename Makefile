# Fernwatch front door: `make run` and `make test` do all set-up on a fresh Debian 12 machine.

BUILD        ?= build
SANITIZE_BUILD ?= build-sanitize
BUILD_TYPE   ?= RelWithDebInfo
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES     := cmake ninja-build g++ make qt6-base-dev fonts-wqy-microhei
CTEST        := QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

PREFIX       ?= $(HOME)/.local/opt/fernwatch

.PHONY: all deps configure build run test test-sanitize bench stress screenshots install package desktop-entry format clean

all: build

# Installs whichever of the packages are missing: apt-get as root, through sudo otherwise.
deps:
	@if ! command -v dpkg-query >/dev/null 2>&1; then \
	    echo "Not a Debian system: make sure these are installed: $(PACKAGES)"; exit 0; fi; \
	missing=""; \
	for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    if [ "$$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi; \
	    $$sudo apt-get update -qq && \
	    $$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

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

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; done

# Processes killed at random moments, many times over: the list-file store in the middle of saving, and the
# whole program during start-up and its check run. Prints how the list file came through; fails on any harm.
stress: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/stress_listfile
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/stress_fernwatch

# Pictures of the main window in each skin, for the README: docs/fernwatch.png and docs/skin-*.png.
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
	rm -rf $(BUILD) $(SANITIZE_BUILD)
