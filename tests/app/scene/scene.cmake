# The owl scene: behaviour, its step at any tick rate and quiz offer timing, icon menu, drawn states, frame-cost savings.
strigolo_gtest(scene_behaviour_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_behaviour_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/scene_step_test.cpp LIBS strigolo_app)
strigolo_gtest(icon_menu_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/icon_menu_test.cpp LIBS strigolo_app)
strigolo_gtest(scene_render_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_render_test.cpp LIBS strigolo_app)
strigolo_gtest(scene_frame_cost_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_frame_cost_test.cpp LIBS strigolo_app)
