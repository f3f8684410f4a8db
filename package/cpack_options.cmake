# Read by cpack before it packs. The dates of the files in the package are
# SOURCE_DATE_EPOCH, so that the same sources give the same package byte for
# byte; when it is not set, it is the date of the last commit, or the release
# date outside a git checkout.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch ${CPACK_KORVANE_RELEASE_EPOCH})
  if(CPACK_KORVANE_GIT)
    execute_process(COMMAND ${CPACK_KORVANE_GIT} log -1 --format=%ct
      WORKING_DIRECTORY ${CPACK_KORVANE_SOURCE_DIR}
      OUTPUT_VARIABLE commit_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE status ERROR_QUIET)
    if(status EQUAL 0 AND commit_epoch MATCHES "^[0-9]+$")
      set(epoch ${commit_epoch})
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
