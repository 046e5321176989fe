# One INTERFACE target that every target of ours links: warnings and sanitizers
# live here and nowhere else (no directory-wide flags).
add_library(orvantis_options INTERFACE)

if(MSVC)
    target_compile_options(orvantis_options INTERFACE /W4)
else()
    target_compile_options(orvantis_options INTERFACE -Wall -Wextra -Wpedantic)
endif()
if(ORVANTIS_WERROR)
    target_compile_options(orvantis_options INTERFACE $<IF:$<CXX_COMPILER_ID:MSVC>,/WX,-Werror>)
endif()

if(ORVANTIS_ASAN AND ORVANTIS_TSAN)
    message(FATAL_ERROR "AddressSanitizer and ThreadSanitizer cannot be combined")
endif()
# What the tests' environment adds for a sanitizer build (cmake/AddUnitTest.cmake).
set(ORVANTIS_SANITIZER_ENVIRONMENT)
if(ORVANTIS_ASAN)
    # UBSan's findings stop the program like AddressSanitizer's, so that a test fails on them.
    target_compile_options(orvantis_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    target_link_options(orvantis_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined)
    set(ORVANTIS_SANITIZER_ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1")
endif()
if(ORVANTIS_TSAN)
    target_compile_options(orvantis_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(orvantis_options INTERFACE -fsanitize=thread)
    # Qt's libraries are not built with ThreadSanitizer: their own locks are futexes
    # that it cannot see, so the memory calls made inside them (operator delete, memmove
    # in the event queue and in QThreadPool's image workers) look like races between
    # Qt's threads. This option checks those calls only when our code makes them; every
    # access of our own code is still checked. A report fails the test (exit code 66).
    set(ORVANTIS_SANITIZER_ENVIRONMENT "TSAN_OPTIONS=ignore_noninstrumented_modules=1:exitcode=66")
endif()
