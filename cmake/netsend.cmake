# Warnings are errors on everything we write (not on GoogleTest's own sources).
function(netsend_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()

# GoogleTest from its sources, built with the same compiler and flags as the code under test.
function(netsend_add_gtest)
  if(TARGET gtest)
    return()
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  if(WIN32)
    # The win32 thread model has no pthreads; GoogleTest uses Win32 primitives of its own there.
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  endif()
  add_subdirectory(${NETSEND_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(WIN32 AND NOT MSVC)
    # GoogleTest's Notification needs std::mutex, which GCC's win32 thread model lacks: give it one
    # built on a Win32 event instead.
    foreach(t gtest gtest_main)
      target_compile_definitions(${t} PUBLIC GTEST_HAS_NOTIFICATION_=1)
      target_compile_options(${t} PUBLIC -include ${PROJECT_SOURCE_DIR}/tests/gtest_win32_notification.h)
    endforeach()
  endif()
endfunction()
