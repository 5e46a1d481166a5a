# The owl scene without a window: its behaviour, its step at any tick rate, the icon menu.
strigolo_gtest(scene_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_behaviour_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/scene_step_test.cpp ${CMAKE_CURRENT_LIST_DIR}/icon_menu_test.cpp LIBS strigolo_app)
