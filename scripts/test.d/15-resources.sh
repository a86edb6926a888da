# The window's pictures, the program icon and the resource script that embeds them.
run_check "window pictures" python3 "$ROOT/resources/check_images.py"
# The committed files are exactly what the drawing script draws (PIL from Debian's python3-pil).
run_check "window pictures match their drawing script" /usr/bin/python3 "$ROOT/resources/draw_images.py" --verify
