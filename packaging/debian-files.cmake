# Run by CPack on the staged files before it builds the Debian package: strips
# the programs, puts in the copyright file, the changelog and the lintian
# overrides, compresses the manual pages as Debian wants them, and makes the
# window's QML modules dependencies of the package.
# SPDX-License-Identifier: GPL-2.0-or-later

set(root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(source ${CPACK_SABLETIDE_SOURCE_DIR}/packaging)

# gzip -n leaves out the name and the time, so that a rebuild gives the same bytes.
function(gzip_best file)
    execute_process(COMMAND gzip -9nf ${file} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip ${file} failed")
    endif()
endfunction()

# As dh_strip does: no symbols, and no compiler notes either.
file(GLOB_RECURSE files ${root}/*)
foreach(file ${files})
    if(NOT IS_SYMLINK ${file})
        file(READ ${file} magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46")
            execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${file}
                            RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "strip ${file} failed")
            endif()
        endif()
    endif()
endforeach()

file(GLOB manuals ${root}/share/man/man*/*.[1-9])
if(NOT manuals)
    message(FATAL_ERROR "no manual pages under ${root}/share/man")
endif()
foreach(manual ${manuals})
    gzip_best(${manual})
endforeach()

set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})
file(COPY ${source}/copyright ${source}/changelog DESTINATION ${doc})
gzip_best(${doc}/changelog)
set(overrides ${root}/share/lintian/overrides)
file(MAKE_DIRECTORY ${overrides})
file(COPY_FILE ${source}/sabletide.lintian-overrides ${overrides}/${CPACK_PACKAGE_NAME})

# A version bump without its changelog entry would ship a package whose
# changelog disagrees with it.
file(STRINGS ${source}/changelog top LIMIT_COUNT 1)
if(NOT top MATCHES "^${CPACK_PACKAGE_NAME} \\(([^)]+)\\) ")
    message(FATAL_ERROR "packaging/changelog: cannot read the first line: ${top}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL CPACK_PACKAGE_VERSION)
    message(FATAL_ERROR "packaging/changelog begins with ${CMAKE_MATCH_1}, the program is "
                        "${CPACK_PACKAGE_VERSION}: add an entry for ${CPACK_PACKAGE_VERSION}")
endif()

# No library names the QML modules the window imports: each import is looked
# up where the QML engine would find it, and the package that owns that
# module's qmldir becomes a dependency.
file(GLOB documents ${root}/${CPACK_SABLETIDE_PROGRAM_DIR}/*.qml)
if(NOT documents)
    message(FATAL_ERROR "no QML files in ${root}/${CPACK_SABLETIDE_PROGRAM_DIR}")
endif()
set(modules)
foreach(document ${documents})
    file(STRINGS ${document} imports REGEX "^[ \t]*import[ \t]+[A-Za-z]")
    foreach(line ${imports})
        if(NOT line MATCHES "^[ \t]*import[ \t]+([A-Za-z0-9_.]+)[ \t]+([0-9]+)")
            message(FATAL_ERROR "${document}: cannot read the version of: ${line}")
        endif()
        set(name ${CMAKE_MATCH_1})
        set(major ${CMAKE_MATCH_2})
        # The program registers its own modules (Sabletide.*) from C++: they
        # are inside it, not in any package.
        if(NOT name MATCHES "^Sabletide([.].*)?$")
            list(APPEND modules "${name} ${major}")
        endif()
    endforeach()
endforeach()
list(REMOVE_DUPLICATES modules)

set(packages)
foreach(module ${modules})
    separate_arguments(module)
    list(GET module 0 name)
    list(GET module 1 major)
    # As the engine looks: the major version on the last part of the name,
    # then on each part before it, then no version.
    string(REPLACE "." ";" parts ${name})
    list(LENGTH parts count)
    set(candidates)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last} 0 -1)
        set(path)
        foreach(j RANGE 0 ${last})
            list(GET parts ${j} part)
            if(j EQUAL i)
                string(APPEND part ".${major}")
            endif()
            string(APPEND path "/${part}")
        endforeach()
        list(APPEND candidates ${CPACK_SABLETIDE_QML_DIR}${path}/qmldir)
    endforeach()
    string(REPLACE "." "/" path ${name})
    list(APPEND candidates ${CPACK_SABLETIDE_QML_DIR}/${path}/qmldir)

    set(owner)
    foreach(qmldir ${candidates})
        if(EXISTS ${qmldir})
            execute_process(COMMAND dpkg-query -S ${qmldir}
                            OUTPUT_VARIABLE owner RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "QML module ${name} ${major}: no package owns ${qmldir}")
            endif()
            string(REGEX REPLACE "[:,].*" "" owner "${owner}")
            break()
        endif()
    endforeach()
    if(NOT owner)
        message(FATAL_ERROR "QML module ${name} ${major} is not installed in "
                            "${CPACK_SABLETIDE_QML_DIR}: install it, then package again")
    endif()
    list(APPEND packages ${owner})
endforeach()
list(REMOVE_DUPLICATES packages)
list(SORT packages)
string(REPLACE ";" ", " packages "${packages}")
message(STATUS "QML modules: ${packages}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${packages}")
