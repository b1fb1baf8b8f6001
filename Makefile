# make run   install what is missing, build, open the viewer on the bundled example
# make test  install, build, run every test (plain build, then AddressSanitizer+UBSan)
# make install / uninstall   the viewer under PREFIX (/usr/local); make package  a .deb
# make headless  the command-line tarno alone, without Qt
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
HEADLESS_BUILD ?= build-headless
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/house.api
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
# The big model the open-and-show figure is measured on, made once by the scene generator.
BIG_SCENE      ?= /tmp/big.api
BIG_SCENE_TOOL ?= ../shared/tools/big-scene/make_big_scene.py

.PHONY: all deps build build-asan run test test-plain test-asan bench fuzz clean format \
        install uninstall package headless

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNO_SANITIZE=ON \
	      -DTARNO_BENCH=OFF

$(FUZZ_BUILD)/build.ninja:
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DTARNO_FUZZ=ON -DTARNO_GUI=OFF -DTARNO_TESTS=OFF -DTARNO_BENCH=OFF

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tarno $(EXAMPLE)

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

test: test-plain test-asan fuzz

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX) --strip
	@if [ -z "$(DESTDIR)" ]; then scripts/refresh-desktop-caches $(PREFIX); fi

uninstall: build
	scripts/uninstall $(BUILD) $(PREFIX)
	scripts/refresh-desktop-caches $(PREFIX)

package: build
	cmake --build $(BUILD) --target package

# The headless commands alone, without Qt.
headless:
	cmake -S . -B $(HEADLESS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNO_GUI=OFF \
	      -DTARNO_TESTS=OFF -DTARNO_BENCH=OFF
	cmake --build $(HEADLESS_BUILD) -j $(JOBS) --target tarno

# A desktop has a session bus; without one Qt's start differs from a desktop's.
SESSION_BUS := $(if $(shell command -v dbus-run-session),dbus-run-session --,)

bench: build
	$(BUILD)/bench/tarno_bench
	@test -f $(BIG_SCENE) || python3 $(BIG_SCENE_TOOL) $(BIG_SCENE)
	xvfb-run -a -s "-screen 0 1920x1080x24" $(SESSION_BUS) python3 bench/open_and_show.py \
	    $(BUILD)/app/tarno $(BIG_SCENE)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(HEADLESS_BUILD)
