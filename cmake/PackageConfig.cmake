# Read by cpack before each package is made.
# The archives take their times from here.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_SOURCE_DATE_EPOCH})
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-setup)
endif()
