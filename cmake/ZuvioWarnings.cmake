# Strict warnings for our own targets; third-party headers come in as SYSTEM.
add_compile_definitions(QT_NO_KEYWORDS _GLIBCXX_ASSERTIONS)

if(ZUVIO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ZUVIO_TSAN)
  if(ZUVIO_SANITIZE)
    message(FATAL_ERROR "ZUVIO_TSAN and ZUVIO_SANITIZE cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

function(zuvio_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
  if(ZUVIO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
