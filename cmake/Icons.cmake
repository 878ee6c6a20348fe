# The program's icon, drawn once as SVG (packaging/icons/zuredor.svg) and
# rendered at build time to the sizes a desktop asks for, in the hicolor
# theme's layout below ${ZUREDOR_ICON_DIR}: NxN/apps/zuredor.png.
set(ZUREDOR_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/icons/zuredor.svg)
set(ZUREDOR_ICON_SIZES 16 22 24 32 48 64 128 256)
set(ZUREDOR_ICON_DIR ${PROJECT_BINARY_DIR}/icons)

# Adds the rendering rules to the calling directory; sets ZUREDOR_ICON_PNGS there.
function(zuredor_render_icons)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    set(pngs "")
    foreach(size IN LISTS ZUREDOR_ICON_SIZES)
        set(png ${ZUREDOR_ICON_DIR}/${size}x${size}/apps/zuredor.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${ZUREDOR_ICON_DIR}/${size}x${size}/apps
            COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --keep-aspect-ratio
                    --output ${png} ${ZUREDOR_ICON_SVG}
            DEPENDS ${ZUREDOR_ICON_SVG}
            COMMENT "Rendering the ${size}x${size} icon"
            VERBATIM)
        list(APPEND pngs ${png})
    endforeach()
    set(ZUREDOR_ICON_PNGS ${pngs} PARENT_SCOPE)
endfunction()
