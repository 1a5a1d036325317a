# Two entry points for a fresh Debian machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2

PREFIX ?= /usr/local

.PHONY: deps configure build run test clean format install uninstall deb

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/zorkan data/sample.txt

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# CPack's staging install rewrites install_manifest.txt too: uninstall keeps its own list.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	cp $(BUILD)/install_manifest.txt $(BUILD)/installed_files.txt

# A Debian package, build/zorkan_<version>_<arch>.deb, checked by lintian.
deb: build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/zorkan_*.deb

uninstall:
	@test -f $(BUILD)/installed_files.txt || { echo "nothing installed from $(BUILD)"; exit 1; }
	xargs -r rm -f < $(BUILD)/installed_files.txt
	rm -f $(BUILD)/installed_files.txt

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp')

clean:
	rm -rf $(BUILD)
