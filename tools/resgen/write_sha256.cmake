# cmake -DFILE=<path> -DOUT=<path> -P write_sha256.cmake
# Writes FILE's SHA-256 to OUT in the form sha256sum prints and checks ("<hex>  <name>").
file(SHA256 "${FILE}" digest)
get_filename_component(name "${FILE}" NAME)
file(WRITE "${OUT}" "${digest}  ${name}\n")
