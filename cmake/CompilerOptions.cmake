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
if(ORVANTIS_ASAN)
    target_compile_options(orvantis_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(orvantis_options INTERFACE -fsanitize=address,undefined)
endif()
if(ORVANTIS_TSAN)
    target_compile_options(orvantis_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(orvantis_options INTERFACE -fsanitize=thread)
endif()
