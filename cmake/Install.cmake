# What `cmake --install` and the Debian packages ship: libcorvane with its
# public headers, CMake package config and pkg-config file, the daemon with
# its systemd unit, and the engineers' tools. Each file belongs to one
# install component, which Packaging.cmake turns into one package.

include(CMakePackageConfigHelpers)

# Builds what is installed and nothing else (scripts/package.sh).
add_custom_target(corvane_installed)

# The public interface: the headers an instrument application includes. Only
# these are installed, and only what they declare is exported from
# libcorvane.so (cmake/ExportMap.cmake derives the linker's version script
# from them). The rest of src/ is plumbing: the daemon's server and wire
# format, the board's C helpers (gpio_get_value, leds, flash, ...), the
# register-window library and the headers that only sources include.
set(CORVANE_PUBLIC_HEADERS
  app/Logging.h
  axi/AxiInterface.h axi/PcieAxi.h
  version/VersionInfo.h
  platform/PlatformAbstractionInterface.h platform/TqPlatformAbstraction.h platform/TqTypes.h
  platform/healthsensors.h
  sdi/FieldMetrics.h sdi/FieldRegion.h sdi/FrameMetrics.h sdi/PartitionMetrics.h
  sdi/PayloadIdentifier1080_1g5.h sdi/PayloadIdentifier1080_3g.h
  sdi/PayloadIdentifier1080_Levelb3g.h sdi/PayloadIdentifier2160Interleaved.h
  sdi/PayloadIdentifier2160_12g.h sdi/PayloadIdentifier2160_6g.h
  sdi/PayloadIdentifier2160_DualLink6g.h sdi/PayloadIdentifier2160_QuadLink3g.h
  sdi/PayloadIdentifier2160_QuadLinkLevelb3g.h sdi/PayloadIdentifier720_1g5.h
  sdi/PayloadIdentifier720_3g.h sdi/PayloadIdentifierBase.h sdi/PayloadIdentifierFactory.h
  sdi/SampleLocation.h sdi/SdiTypes.h sdi/SdiUtility.h sdi/StandardFromPayloadIdentifier.h
  sdi/SupportedVideoStandards.h sdi/TqCircularBufferMetrics.h sdi/VideoStandardCreator.h
  sdi/VirtualInterfaceMetrics.h
  datacore/DatacoreActiveStatusMessage.h datacore/DatacoreBase.h datacore/DatacoreBool.h
  datacore/DatacoreElements.h datacore/DatacoreJsonInterface.h datacore/DatacoreJsonMessage.h
  datacore/DatacoreValidStatusMessage.h datacore/MessageBase.h
  packets/AudioMetersDataPacket.h packets/AudioProcessingRegisterApi.h packets/DatacorePacket.h
  packets/DatacorePathRadixTreePacket.h packets/EyeHistogramData.h
  packets/JitterInsertionAnalysisRegisterApi.h packets/MeasurementTypes.h
  packets/RadixTreeNode.h packets/RawDataPacket.h packets/RawDataPacketFactory.h
  packets/RawDataPacketReceiverInterface.h packets/RawSdiJitterPacket.h
  packets/RawSdiSampleGridPacket.h packets/SerialisableDataPacket.h
  packets/SerialisableDataPacketAcceptorInterface.h packets/SerialisableDataPacketDistributor.h
  packets/VideoIpIpatHistogramPacket.h
  client/ClientDatacore.h client/ClientDatacoreMonitor.h client/ClientDatacorePopulator.h
  client/ClientDatacoreRegistry.h client/DatacoreConnectionBuilderBase.h
  client/DatacoreStatusWidget.h client/NetworkConnection.h client/SdiOutputGroupLaneMapModel.h
  client/ServerCommon.h client/TqClientDatacoreManager.h
  status/AncPacketStatus.h status/AncillaryStatusJsonData.h status/HttpCommon.h
  status/InputStatusJsonData.h status/SimpleJsonObject.h status/StatusColourPropagator.h)

# The version script, regenerated when a public header changes.
set(public_paths ${CORVANE_PUBLIC_HEADERS})
list(TRANSFORM public_paths PREPEND ${PROJECT_SOURCE_DIR}/src/)
set(export_map ${PROJECT_BINARY_DIR}/corvane.map)
add_custom_command(OUTPUT ${export_map}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${export_map} "-DHEADERS=${public_paths}"
          -P ${PROJECT_SOURCE_DIR}/cmake/ExportMap.cmake
  DEPENDS ${public_paths} ${PROJECT_SOURCE_DIR}/cmake/ExportMap.cmake
  COMMENT "Listing the symbols libcorvane exports"
  VERBATIM)
target_sources(corvane PRIVATE ${export_map})
set_property(TARGET corvane APPEND PROPERTY LINK_DEPENDS ${export_map})
target_link_options(corvane PRIVATE "LINKER:--version-script=${export_map}")
if(NOT CORVANE_BUILD_FUZZ)
  # Every library the shared object needs is linked into it. (The sanitizer
  # runtime of the fuzz build is linked into the executables only.)
  target_link_options(corvane PRIVATE "LINKER:--no-undefined")
endif()
# Public headers include each other as "datacore/DatacoreBase.h".
target_include_directories(corvane INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/corvane>)

# Library and development files.
add_dependencies(corvane_installed corvane)
install(TARGETS corvane EXPORT CorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev)
foreach(header ${CORVANE_PUBLIC_HEADERS})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane/${dir} COMPONENT dev)
endforeach()
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)
install(EXPORT CorvaneTargets NAMESPACE Corvane:: DESTINATION ${config_dir} COMPONENT dev)
configure_package_config_file(cmake/CorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake ${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  DESTINATION ${config_dir} COMPONENT dev)
file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
configure_file(cmake/corvane.pc.in ${PROJECT_BINARY_DIR}/corvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)

# The daemon and the unit that starts it at boot. systemd reads units from
# <prefix>/lib/systemd/system for both /usr and /usr/local.
if(TARGET corvane-axid)
  add_dependencies(corvane_installed corvane-axid)
  install(TARGETS corvane-axid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT daemon)
  configure_file(packaging/corvane-axid.service.in ${PROJECT_BINARY_DIR}/corvane-axid.service @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/corvane-axid.service DESTINATION lib/systemd/system
    COMPONENT daemon)
endif()

# The engineers' tools install beside the daemon; the simulated board is a
# development aid and stays in the build tree.
foreach(tool corvane-axi corvane-vpid corvane-ancillary-view corvane-datacored corvane-datacore
    corvane-datacore-monitor corvane-sensors corvane-hdmid corvane-flash corvane-plinfo)
  if(TARGET ${tool})
    add_dependencies(corvane_installed ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  endif()
endforeach()
