# Readers of the files the program finds on disk, and the one write that stores them again.
set(ORV_FILE_READER_SOURCES ${SRC}/core/model/system_table.cpp ${SRC}/core/model/codepage.cpp ${SRC}/core/model/formatting.cpp
    ${SRC}/core/model/file_names.cpp ${SRC}/core/model/file_write.cpp ${SRC}/core/model/panel_models.cpp)

orv_fuzz_target(fuzz_record_files
  SOURCES fuzz_record_files.cpp ${SRC}/core/storage/record_files.cpp ${ORV_FILE_READER_SOURCES}
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/seeds/record_files)

orv_fuzz_target(fuzz_command_files
  SOURCES fuzz_command_files.cpp ${SRC}/core/storage/command_files.cpp ${ORV_FILE_READER_SOURCES}
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/seeds/command_files)

orv_fuzz_target(fuzz_settings
  SOURCES fuzz_settings.cpp ${SRC}/core/storage/settings_file.cpp ${ORV_FILE_READER_SOURCES}
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/seeds/settings)
