# The picture libraries of the core, looked up in one place for every level that needs them
# (readers and writers in src/raster/, their tests, benchmarks and fuzz targets):
#   PNG::PNG                 libpng
#   GIF::GIF                 giflib
#   PkgConfig::WEBP          libwebp (still pictures, encoding)
#   PkgConfig::WEBPMUX       libwebpmux (animations: the animation encoder)
#   PkgConfig::WEBPDEMUX     libwebpdemux (animations: frames and the animation decoder)
#   PkgConfig::IMAGEQUANT    libimagequant (palettes for GIF animations)
find_package(PNG REQUIRED)
find_package(GIF REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp)
pkg_check_modules(WEBPMUX REQUIRED IMPORTED_TARGET libwebpmux)
pkg_check_modules(WEBPDEMUX REQUIRED IMPORTED_TARGET libwebpdemux)
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
