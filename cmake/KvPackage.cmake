# Installation of the libraries and their headers, and the CMake package
# "kvsuite" that lets another project link them: find_package(kvsuite) gives
# one imported target per library (kvsuite::kv_data and so on) with the
# libraries it depends on.
#
# kv_install_layer is called for every library; what a library links from
# outside the project is looked at once its folder has been read (libraries
# add private dependencies such as pugixml after their kv_add_layer line), and
# the package configuration is written when the whole project has been read.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KV_INSTALL_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/kvsuite")
set(KV_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/kvsuite")

function(kv_install_layer name)
    file(RELATIVE_PATH folder "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
    file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    install(FILES ${headers} DESTINATION "${KV_INSTALL_INCLUDEDIR}/${folder}")
    install(TARGETS ${name} EXPORT kvsuiteTargets
            ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
            LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}")
    # Deferred arguments are read when the call runs: the name goes in as text.
    cmake_language(EVAL CODE "cmake_language(DEFER CALL _kv_collect_package_dependencies [[${name}]])")
endfunction()

# The text that makes an imported target of this folder available to a
# consumer: a find_dependency for a package that a consumer can find the same
# way, otherwise the target itself rebuilt from its properties.
function(_kv_dependency_text target out)
    if(target MATCHES "^([^:]+)::")
        set(package "${CMAKE_MATCH_1}")
        if(NOT package STREQUAL "PkgConfig"
           AND (DEFINED ${package}_DIR OR EXISTS "${CMAKE_ROOT}/Modules/Find${package}.cmake"))
            set(${out} "find_dependency(${package})\n" PARENT_SCOPE)
            return()
        endif()
    endif()
    get_target_property(type ${target} TYPE)
    set(kind UNKNOWN)
    if(type STREQUAL "INTERFACE_LIBRARY")
        set(kind INTERFACE)
    endif()
    set(text "if(NOT TARGET ${target})\n    add_library(${target} ${kind} IMPORTED)\n")
    foreach(property INTERFACE_INCLUDE_DIRECTORIES INTERFACE_COMPILE_DEFINITIONS
                     INTERFACE_COMPILE_OPTIONS INTERFACE_LINK_LIBRARIES INTERFACE_LINK_OPTIONS
                     INTERFACE_LINK_DIRECTORIES IMPORTED_LOCATION IMPORTED_LOCATION_RELEASE
                     IMPORTED_LOCATION_NOCONFIG IMPORTED_LOCATION_DEBUG
                     IMPORTED_CONFIGURATIONS)
        if(kind STREQUAL "INTERFACE" AND property MATCHES "^IMPORTED_")
            continue()
        endif()
        get_target_property(value ${target} ${property})
        if(value)
            string(APPEND text "    set_property(TARGET ${target} PROPERTY ${property} \"${value}\")\n")
        endif()
    endforeach()
    string(APPEND text "endif()\n")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Runs at the end of the library's folder, where its imported dependencies are
# visible.
function(_kv_collect_package_dependencies name)
    get_target_property(direct ${name} LINK_LIBRARIES)
    get_target_property(interface ${name} INTERFACE_LINK_LIBRARIES)
    set(pending)
    foreach(item IN LISTS direct interface)
        if(item MATCHES "^\\$<LINK_ONLY:(.+)>$")
            set(item "${CMAKE_MATCH_1}")
        endif()
        list(APPEND pending "${item}")
    endforeach()
    set(seen)
    while(pending)
        list(POP_FRONT pending item)
        if(item IN_LIST seen OR NOT TARGET "${item}")
            continue()
        endif()
        list(APPEND seen "${item}")
        get_target_property(imported ${item} IMPORTED)
        if(NOT imported)
            continue()
        endif()
        _kv_dependency_text(${item} text)
        get_property(known GLOBAL PROPERTY KV_PACKAGE_DEPENDENCIES)
        string(FIND "${known}" "${text}" at)
        if(at EQUAL -1)
            set_property(GLOBAL APPEND_STRING PROPERTY KV_PACKAGE_DEPENDENCIES "${text}")
        endif()
        # A rebuilt target brings what it links itself.
        if(NOT text MATCHES "^find_dependency")
            get_target_property(more ${item} INTERFACE_LINK_LIBRARIES)
            if(more)
                list(APPEND pending ${more})
            endif()
        endif()
    endwhile()
endfunction()

function(_kv_write_package)
    get_property(dependencies GLOBAL PROPERTY KV_PACKAGE_DEPENDENCIES)
    set(config "${PROJECT_BINARY_DIR}/kvsuiteConfig.cmake")
    file(WRITE "${config}"
         "# The kvsuite libraries: one imported target per library, kvsuite::kv_data and so on.\n"
         "include(CMakeFindDependencyMacro)\n"
         "${dependencies}"
         "include(\"\${CMAKE_CURRENT_LIST_DIR}/kvsuiteTargets.cmake\")\n")
    write_basic_package_version_file("${PROJECT_BINARY_DIR}/kvsuiteConfigVersion.cmake"
                                     VERSION 1.0.0 COMPATIBILITY SameMajorVersion)
    install(EXPORT kvsuiteTargets NAMESPACE kvsuite:: DESTINATION "${KV_INSTALL_CMAKEDIR}")
    install(FILES "${config}" "${PROJECT_BINARY_DIR}/kvsuiteConfigVersion.cmake"
            DESTINATION "${KV_INSTALL_CMAKEDIR}")
endfunction()

cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}" CALL _kv_write_package)
