# Zip access for EPUB and zipped FB2 books.
find_package(QuaZip-Qt6 REQUIRED)
target_link_libraries(zk_text PUBLIC QuaZip::QuaZip)
