# Boost.Regex is header-only since Boost 1.77. The cross compiler must see the
# boost headers and nothing else of the host's /usr/include, so both builds
# get a folder of their own that holds one entry: a link to the boost folder.
if(NOT EXISTS "${HBK_BOOST_INCLUDE_DIR}/boost/regex.hpp")
    message(FATAL_ERROR "boost/regex.hpp not found below HBK_BOOST_INCLUDE_DIR=${HBK_BOOST_INCLUDE_DIR}; "
                        "run scripts/setup")
endif()

set(HBK_BOOST_ONLY_DIR "${CMAKE_BINARY_DIR}/boost-include")
file(MAKE_DIRECTORY "${HBK_BOOST_ONLY_DIR}")
file(CREATE_LINK "${HBK_BOOST_INCLUDE_DIR}/boost" "${HBK_BOOST_ONLY_DIR}/boost" SYMBOLIC)

add_library(hbk_boost_headers INTERFACE)
target_include_directories(hbk_boost_headers SYSTEM INTERFACE "${HBK_BOOST_ONLY_DIR}")
