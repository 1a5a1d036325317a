# Zip access for EPUB, zipped FB2 and ODT; zlib for archives without a central directory.
find_package(QuaZip-Qt6 REQUIRED)
find_package(ZLIB REQUIRED)
target_link_libraries(zk_text PUBLIC QuaZip::QuaZip PRIVATE ZLIB::ZLIB)

# Encoding detection, PDF and DjVu text.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZK_UCHARDET REQUIRED IMPORTED_TARGET uchardet)
pkg_check_modules(ZK_DDJVU REQUIRED IMPORTED_TARGET ddjvuapi)
pkg_check_modules(ZK_POPPLER REQUIRED IMPORTED_TARGET poppler-qt6)
target_link_libraries(zk_text PRIVATE PkgConfig::ZK_UCHARDET PkgConfig::ZK_DDJVU
                                      PkgConfig::ZK_POPPLER)
