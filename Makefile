# The two commands of the README, and the Debian package. Everything else is CMake's.
BUILD_DIR ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_WERROR=ON
JOBS ?= $(shell nproc)

.PHONY: run test deb fuzz test-asan test-tsan

# Installs what building and running need, builds the program (no tests), and starts
# it in the current folder, creating an empty ipdb.ipdb there first when there is
# none (an existing one is never touched).
run:
	scripts/install-deps run
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) -DBUILD_TESTING=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)
	@test -e ipdb.ipdb || $(BUILD_DIR)/bin/orvantis-createdb ipdb.ipdb
	$(BUILD_DIR)/bin/orvantis

# Installs everything the tests need as well, builds everything and runs every test
# (offscreen); fails when any test fails, and says why each skipped test was skipped.
test:
	scripts/install-deps test
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) -DBUILD_TESTING=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen scripts/run-tests $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The Debian package, built by CPack's DEB generator: $(BUILD_DIR)/orvantis_<version>-1_<arch>.deb.
deb:
	scripts/install-deps package
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) -DBUILD_TESTING=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)
	cd $(BUILD_DIR) && cpack -G DEB

# The fuzz targets built with clang, libFuzzer, AddressSanitizer and UBSan in their own
# folder, each run for FUZZ_SECONDS (default 60) over a copy of its corpus (fuzz/corpus).
# A crash or a broken property stops it and leaves the input in $(FUZZ_DIR)/fuzz.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz:
	scripts/install-deps test
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_FUZZ=ON \
		-DORVANTIS_ASAN=ON -DORVANTIS_WINDOWS_TESTS=OFF -DORVANTIS_BENCHMARKS=OFF \
		-DORVANTIS_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz-run

# The suite built with AddressSanitizer and UBSan in its own folder (everything but the
# Windows check and the benchmarks), and every test run; any finding fails its test.
ASAN_DIR ?= build-asan
test-asan:
	scripts/install-deps test
	cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) -DBUILD_TESTING=ON -DORVANTIS_ASAN=ON \
		-DORVANTIS_WINDOWS_TESTS=OFF -DORVANTIS_BENCHMARKS=OFF
	cmake --build $(ASAN_DIR) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen scripts/run-tests $(ASAN_DIR) --output-on-failure -j $(JOBS)

# The tests that run IP change jobs or start processes, built with ThreadSanitizer in
# their own folder and run; a report fails its test.
TSAN_DIR ?= build-tsan
TSAN_TESTS = jobhost_test activate_test net_changeip_test net_process_posix_test net_admin_test
test-tsan:
	scripts/install-deps test
	cmake -S . -B $(TSAN_DIR) $(CMAKE_FLAGS) -DBUILD_TESTING=ON -DORVANTIS_TSAN=ON \
		-DORVANTIS_WINDOWS_TESTS=OFF -DORVANTIS_BENCHMARKS=OFF
	cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TESTS)
	QT_QPA_PLATFORM=offscreen scripts/run-tests $(TSAN_DIR) --output-on-failure -j $(JOBS) \
		-R '^($(subst $(eval) ,|,$(TSAN_TESTS)))$$'
