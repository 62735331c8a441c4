# zlib, libpng and FreeType for the Windows builds, compiled as static
# libraries from their Debian source packages (scripts/windows-sources puts
# them in build-win-sources/). Each gets the target name the Linux build takes
# from find_package (ZLIB::ZLIB, PNG::PNG, Freetype::Freetype), so the
# folders that use them read the same on both systems.
set(QOR_WINDOWS_SOURCES ${PROJECT_SOURCE_DIR}/build-win-sources CACHE PATH
    "Folder with the unpacked zlib, libpng and freetype sources (scripts/windows-sources)")
foreach(library zlib libpng freetype)
  if(NOT EXISTS ${QOR_WINDOWS_SOURCES}/${library}/.unpacked)
    message(FATAL_ERROR "${QOR_WINDOWS_SOURCES}/${library} is missing: run scripts/windows-sources first")
  endif()
endforeach()

# Other people's code: compiled as its authors ship it, without our warnings.
set(third_party_options -w -O2)

set(zlib_dir ${QOR_WINDOWS_SOURCES}/zlib)
add_library(qor_zlib STATIC
  ${zlib_dir}/adler32.c ${zlib_dir}/compress.c ${zlib_dir}/crc32.c ${zlib_dir}/deflate.c
  ${zlib_dir}/gzclose.c ${zlib_dir}/gzlib.c ${zlib_dir}/gzread.c ${zlib_dir}/gzwrite.c
  ${zlib_dir}/infback.c ${zlib_dir}/inffast.c ${zlib_dir}/inflate.c ${zlib_dir}/inftrees.c
  ${zlib_dir}/trees.c ${zlib_dir}/uncompr.c ${zlib_dir}/zutil.c)
target_include_directories(qor_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_options(qor_zlib PRIVATE ${third_party_options})
add_library(ZLIB::ZLIB ALIAS qor_zlib)

# libpng's build configuration is the one it ships for builds without its
# own configure step.
set(png_dir ${QOR_WINDOWS_SOURCES}/libpng)
set(png_config ${CMAKE_CURRENT_BINARY_DIR}/libpng-config)
configure_file(${png_dir}/scripts/pnglibconf.h.prebuilt ${png_config}/pnglibconf.h COPYONLY)
add_library(qor_png STATIC
  ${png_dir}/png.c ${png_dir}/pngerror.c ${png_dir}/pngget.c ${png_dir}/pngmem.c
  ${png_dir}/pngpread.c ${png_dir}/pngread.c ${png_dir}/pngrio.c ${png_dir}/pngrtran.c
  ${png_dir}/pngrutil.c ${png_dir}/pngset.c ${png_dir}/pngtrans.c ${png_dir}/pngwio.c
  ${png_dir}/pngwrite.c ${png_dir}/pngwtran.c ${png_dir}/pngwutil.c)
target_include_directories(qor_png SYSTEM PUBLIC ${png_dir} ${png_config})
target_compile_options(qor_png PRIVATE ${third_party_options})
target_link_libraries(qor_png PUBLIC qor_zlib)
add_library(PNG::PNG ALIAS qor_png)

# FreeType with its default set of modules (include/freetype/config/ftmodule.h);
# compressed fonts are inflated by the zlib above, as on Debian (its own copy
# would define the same names again).
set(ft_dir ${QOR_WINDOWS_SOURCES}/freetype)
set(ft_sources
  autofit/autofit.c base/ftbase.c base/ftbbox.c base/ftbdf.c base/ftbitmap.c base/ftcid.c
  base/ftdebug.c base/ftfstype.c base/ftgasp.c base/ftglyph.c base/ftgxval.c base/ftinit.c
  base/ftmm.c base/ftotval.c base/ftpatent.c base/ftpfr.c base/ftstroke.c base/ftsynth.c
  base/ftsystem.c base/fttype1.c base/ftwinfnt.c bdf/bdf.c bzip2/ftbzip2.c cache/ftcache.c
  cff/cff.c cid/type1cid.c gzip/ftgzip.c lzw/ftlzw.c pcf/pcf.c pfr/pfr.c psaux/psaux.c
  pshinter/pshinter.c psnames/psnames.c raster/raster.c sdf/sdf.c sfnt/sfnt.c
  smooth/smooth.c svg/svg.c truetype/truetype.c type1/type1.c type42/type42.c
  winfonts/winfnt.c)
list(TRANSFORM ft_sources PREPEND ${ft_dir}/src/)
add_library(qor_freetype STATIC ${ft_sources})
target_include_directories(qor_freetype SYSTEM PUBLIC ${ft_dir}/include)
target_compile_definitions(qor_freetype PRIVATE FT2_BUILD_LIBRARY FT_CONFIG_OPTION_SYSTEM_ZLIB)
target_link_libraries(qor_freetype PRIVATE qor_zlib)
target_compile_options(qor_freetype PRIVATE ${third_party_options})
add_library(Freetype::Freetype ALIAS qor_freetype)
