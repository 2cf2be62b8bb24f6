# The graphics engine: fonts are rasterised with FreeType, textures stream
# from the zlib-compressed asset archive.
find_package(Freetype REQUIRED)
find_package(ZLIB REQUIRED)
target_link_libraries(zentrix_core PUBLIC Freetype::Freetype ZLIB::ZLIB)
