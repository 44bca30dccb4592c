# The program's translations: translations/vidmarro_<lang>.ts kept in the repository, made into
# .qm files beside the program (bin/translations) and installed into its data folder.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)
file(GLOB VIDMARRO_TS_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/translations/vidmarro_*.ts)
# Every folder whose texts a user can see; the update target and tst_translations_current read these.
set(VIDMARRO_TR_DIRS app common playlist platform player clipmanager editor)
set(VIDMARRO_LUPDATE_OPTIONS -I . -locations none -no-obsolete)

if(VIDMARRO_TS_FILES)
  set_source_files_properties(${VIDMARRO_TS_FILES} PROPERTIES OUTPUT_LOCATION ${CMAKE_BINARY_DIR}/bin/translations)
  qt_add_lrelease(vidmarro TS_FILES ${VIDMARRO_TS_FILES} QM_FILES_OUTPUT_VARIABLE _vidmarro_qm)
  install(FILES ${_vidmarro_qm} DESTINATION ${CMAKE_INSTALL_DATADIR}/vidmarro/translations)

  # cmake --build build --target update_translations: new and changed texts into every .ts file.
  add_custom_target(update_translations
    COMMAND Qt6::lupdate ${VIDMARRO_LUPDATE_OPTIONS} ${VIDMARRO_TR_DIRS} -ts ${VIDMARRO_TS_FILES}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} VERBATIM)
endif()

# The translations seen from the program's folder, for an install under any prefix.
file(RELATIVE_PATH _tr_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/vidmarro/translations)
target_compile_definitions(vm_app PRIVATE VIDMARRO_TRANSLATIONS_FROM_BIN="${_tr_from_bin}")
