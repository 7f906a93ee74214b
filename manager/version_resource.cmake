# Version information embedded into program files at build time (the counterpart of a Windows VERSIONINFO
# resource; manager/os reads it back from the ELF section it lands in).

add_executable(QcVersionResource ${CMAKE_CURRENT_LIST_DIR}/version_resource_tool.cpp)
target_link_libraries(QcVersionResource PRIVATE qc_manager_os)
# A build tool, not part of the installation.
set_target_properties(QcVersionResource PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/build-tools)

# qc_embed_version_block(<target> FILE_DESCRIPTION <text> INTERNAL_NAME <name> ORIGINAL_FILENAME <name>
#                        PRODUCT_NAME <text> COMPANY_NAME <text> LEGAL_COPYRIGHT <text> [VERSION <a.b.c.d>])
# Gives <target> a version block: fixed part from VERSION (default: the top-level project's version), one
# translation, US English with code page 1252, and its string table "040904e4", where FileVersion and
# ProductVersion read "1, 0, 4, 0" for version 1.0.4.0. Call it in the directory that defines <target>.
function(qc_embed_version_block target)
  set(names FILE_DESCRIPTION INTERNAL_NAME ORIGINAL_FILENAME PRODUCT_NAME COMPANY_NAME LEGAL_COPYRIGHT VERSION)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "${names}" "")
  if(NOT arg_VERSION)
    set(arg_VERSION ${CMAKE_PROJECT_VERSION})
  endif()
  string(REPLACE "." ", " version_text "${arg_VERSION}")
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND QcVersionResource ${output} ${arg_VERSION} ${arg_VERSION} 0409 04E4
      "CompanyName=${arg_COMPANY_NAME}"
      "FileDescription=${arg_FILE_DESCRIPTION}"
      "FileVersion=${version_text}"
      "InternalName=${arg_INTERNAL_NAME}"
      "LegalCopyright=${arg_LEGAL_COPYRIGHT}"
      "OriginalFilename=${arg_ORIGINAL_FILENAME}"
      "ProductName=${arg_PRODUCT_NAME}"
      "ProductVersion=${version_text}"
    DEPENDS QcVersionResource
    COMMENT "Version information ${arg_VERSION} for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()

# The manager's own version information; the tests give it to the programs that stand in for the manager.
function(qc_embed_manager_version_block target)
  qc_embed_version_block(${target}
    FILE_DESCRIPTION "Quill File Collector"
    INTERNAL_NAME QuillCollectorManager
    ORIGINAL_FILENAME QuillCollectorManager
    PRODUCT_NAME Quill
    COMPANY_NAME "${QC_MANAGER_COMPANY_NAME}"
    LEGAL_COPYRIGHT "${QC_MANAGER_NOTICE}")
endfunction()
