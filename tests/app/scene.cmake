# The owl scene: behaviour, quiz offer timing, icon menu, cropped sprite drawing.
strigolo_gtest(scene_behaviour_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_behaviour_test.cpp LIBS strigolo_app)
strigolo_gtest(quiz_offer_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/quiz_offer_test.cpp LIBS strigolo_app)
strigolo_gtest(icon_menu_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/icon_menu_test.cpp LIBS strigolo_app)
strigolo_gtest(scene_sprite_bounds_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_sprite_bounds_test.cpp LIBS strigolo_engine)
strigolo_gtest(scene_backdrop_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_backdrop_test.cpp LIBS strigolo_app)
strigolo_gtest(scene_render_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_render_test.cpp LIBS strigolo_app)
