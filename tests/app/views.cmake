# What only drawing shows, with our own pictures: every text colour's contrast in each
# view (at scale 1 and 2), cropped sprites and the kept backdrop.
strigolo_gtest(views_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views_test.cpp LIBS strigolo_app)
add_test(NAME views_2x COMMAND views_test --gtest_filter=Drawn.EachScene*)
set_tests_properties(views_2x PROPERTIES LABELS unit TIMEOUT 120 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                     ENVIRONMENT STRIGOLO_CONTRAST_SIDE=600)
