# The two commands of the README. Everything else is CMake's.
BUILD_DIR ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_WERROR=ON
JOBS ?= $(shell nproc)

.PHONY: run test deps build

# Builds and starts the program in the current folder, creating an empty
# ipdb.ipdb there first when there is none (an existing one is never touched).
run: build
	@test -e ipdb.ipdb || $(BUILD_DIR)/bin/orvantis-createdb ipdb.ipdb
	$(BUILD_DIR)/bin/orvantis

# Builds and runs every test (offscreen); fails when any test fails.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)
