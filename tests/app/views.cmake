# Every view drawn with our own pictures: each scene state shows its pictures, and every
# text colour stands at a WCAG contrast of 4.5:1 or more over what lies behind it, at
# scale 1 and 2.
strigolo_gtest(views_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/views_test.cpp LIBS strigolo_app)
add_test(NAME views_2x COMMAND views_test)
set_tests_properties(views_2x PROPERTIES LABELS unit TIMEOUT 120 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                     ENVIRONMENT STRIGOLO_CONTRAST_SIDE=600)
