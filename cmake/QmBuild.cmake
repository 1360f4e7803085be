# Project-wide build settings and the helpers every folder uses.

# Warnings for product code; tests and third-party sources get their own.
set(QM_WARNINGS -Wall -Wextra)

option(QM_FUZZ "Build the libFuzzer targets (clang)" OFF)
if(QM_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MINGW)
  # The modules must run on a bare Windows: no libstdc++-6.dll, libgcc_s or
  # libwinpthread beside them. All three modules still share msvcrt's heap, so
  # strings may cross the library boundaries by value.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0601)
endif()

# qm_product_target(target): warnings and include root for product code.
function(qm_product_target target)
  target_compile_options(${target} PRIVATE ${QM_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# qm_dist(target): copy a Windows module into the runnable installation folder.
function(qm_dist target)
  if(QM_DIST_DIR)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_DIST_DIR}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${QM_DIST_DIR}/
      VERBATIM)
  endif()
endfunction()
