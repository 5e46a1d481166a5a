# Live calendars (vdir folders): the config file and khal's, the folders' items, the
# watch and the sync command's schedule.
file(GLOB live_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/live/*_test.cpp)
strigolo_gtest(live_calendar_tests SOURCES ${live_test_sources} LIBS strigolo_app)
