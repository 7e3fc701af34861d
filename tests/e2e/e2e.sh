#!/usr/bin/env bash
# Drives the installed program under Xvfb the way a person does: clicks the
# buttons at their places on the screen, types, and checks what shows. A
# window manager puts a frame with a title bar around each window and gives
# the keyboard to the active one, as on a desktop.
#   e2e.sh STAGE_PREFIX WINDOW_MANAGER
# (STAGE_PREFIX: the folder cmake --install wrote to; WINDOW_MANAGER: openbox)
# Screenshots of every step are kept in $E2E_SHOTS (default: a temporary folder,
# kept and named when the test fails).
set -euo pipefail

stage=$(readlink -f "$1")
window_manager=$2
here=$(dirname "$(readlink -f "$0")")
source "$here/../../scripts/xvfb.sh"
work=$(mktemp -d /tmp/qzlayer-e2e.XXXXXX)
shots=${E2E_SHOTS:-$work/shots}
mkdir -p "$shots" "$work/home"

export HOME=$work/home LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CURRENT_DESKTOP SESSION_MANAGER
data_dir=$HOME/UserData/qzLayer
settings=$HOME/.config/qzLayer/qzLayer.ini
default_name="Velmora Last Rose Of Summer 2002"
album="E2E Album"

app_pid=
wm_pid=
xvfb_pid=
passed=false
cleanup() {
    set +e
    if [[ -n $app_pid ]]; then kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null; fi
    if [[ -n $wm_pid ]]; then kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; fi
    stop_xvfb
    if $passed; then
        [[ -n ${E2E_SHOTS:-} ]] || rm -rf "$work"
    else
        echo "e2e: screenshots and logs kept in $work"
    fi
    return 0
}
trap cleanup EXIT

step() { echo "e2e: $*"; }
fail() {
    echo "e2e: FAIL: $*"
    [[ -f $work/app.log ]] && sed 's/^/  app: /' "$work/app.log" | tail -20
    exit 1
}

start_display() {
    start_xvfb "$work" -dpi 96 || fail "no X display could be started"
    "$window_manager" --sm-disable >"$work/window-manager.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
        fail "the window manager did not start"
}

# The first visible window whose name matches, waiting up to 10 s.
wait_for_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

wait_until_gone() {
    for _ in $(seq "$2"); do
        [[ -z $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true) ]] && return 0
        sleep 0.1
    done
    return 1
}

shot() {
    xwd -root -silent | convert xwd:- "$shots/$1.ppm"
    convert "$shots/$1.ppm" "$shots/$1.png"
}
# A dialog's own pixels: Xvfb's root image does not always hold what a
# secondary window has drawn, the window itself does.
shot_window() {
    xwd -id "$1" -silent | convert xwd:- "$shots/$2.ppm"
    convert "$shots/$2.ppm" "$shots/$2.png"
}
pixel() { python3 "$here/xtool.py" pixel "$shots/$1.ppm" "$2" "$3"; }
count() { python3 "$here/xtool.py" count "$shots/$1.ppm" "$2" "$3" "$4" "$5" "$6"; }

# Design values are at 120 pixels per inch; the window is scaled to the
# screen, which Xvfb gives 96 pixels per inch.
ppi=96
scaled() { echo $(((($1) * ppi * 2 + 120) / 240)); }

# "X Y" of a window's client area on the screen.
client_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        END {print x, y}'
}
# "X Y WIDTH HEIGHT" of the window with its window manager's frame: the
# top-level ancestor below the root (the window itself without a manager).
frame_geometry() {
    local id=$1 parent
    local root
    root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
    while parent=$(xwininfo -id "$id" -tree | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
        [[ -n $parent && $((parent)) -ne $((root)) ]]; do
        id=$parent
    done
    xwininfo -id "$id" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print x, y, w, h}'
}

start_program() {
    "$stage/bin/qzlayer" "$@" >"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(wait_for_window '^qzLayer - version') || fail "the main window did not appear"
    sleep 1
    read -r win_x win_y < <(client_origin "$main")
    sheet_x=$win_x
    sheet_y=$((win_y + $(scaled 179)))
}

end_program() {
    for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "the program did not end: $1"
    wait "$app_pid" || fail "the program ended with an error"
    app_pid=
}

# The main window's frame lies inside the 1280 x 1024 screen, its bottom on it.
expect_main_window_on_screen() {
    local x y w h
    read -r x y w h < <(frame_geometry "$main")
    ((x >= 0 && y >= 0 && x + w <= 1280 && y + h <= 1024)) ||
        fail "main window frame ($x, $y) ${w}x$h is not on the screen"
    ((h >= 1000)) || fail "main window frame is $h high, not the screen's height"
    # Wide enough for the layout: the right cut marks end at sheet column 812.
    local client_width
    client_width=$(xwininfo -id "$main" | awk '/^ *Width:/ {print $NF}')
    ((client_width >= 813)) || fail "main window is $client_width wide, too narrow for the layout"
}

# Every window carries the program's icon.
expect_icon() {
    [[ $(xprop -id "$1" _NET_WM_ICON | head -c 200) == *"= "* ]] || fail "$2 carries no icon"
}

# Clicks the middle of a control given by its design rectangle in a window.
click_design() {
    local x=$(($1 + $(scaled "$2") + $(scaled "$5") / 2))
    local y=$(($3 + $(scaled "$4") + $(scaled "$6") / 2))
    xdotool mousemove "$x" "$y" click 1
    sleep 0.4
}
click_main() { click_design "$win_x" "$1" "$win_y" "$2" "$3" "$4"; }
click_new() { click_main 17 41 168 42; }
click_read_project() { click_main 385 14 168 42; }
click_save_project() { click_main 385 64 168 42; }
click_apply() { click_main 820 131 100 38; }
type_spine_text() {
    click_main 310 136 499 30
    xdotool key ctrl+a
    xdotool type --delay 20 "$1"
    sleep 0.2
}

sheet_pixel() { pixel "$1" $((sheet_x + $2)) $((sheet_y + $3)); }
# Dark pixels in the middle of the front frame: the front picture shows there.
front_dark_pixels() { count "$1" $((sheet_x + 200)) $((sheet_y + 80)) $((sheet_x + 640)) $((sheet_y + 520)) dark; }
front_white_pixels() { count "$1" $((sheet_x + 200)) $((sheet_y + 80)) $((sheet_x + 640)) $((sheet_y + 520)) white; }

expect_frames() {
    [[ $(sheet_pixel "$1" 177 57) == "0 0 0" ]] || fail "$1: front frame corner not black"
    [[ $(sheet_pixel "$1" 662 300) == "0 0 0" ]] || fail "$1: front frame right edge not black"
    [[ $(sheet_pixel "$1" 177 0) == "0 0 0" ]] || fail "$1: cut mark above the front frame missing"
    [[ $(sheet_pixel "$1" 177 50) == "255 255 255" ]] || fail "$1: cut mark reaches into its gap"
    [[ $(sheet_pixel "$1" 100 57) == "0 0 0" ]] || fail "$1: left cut mark of the front top edge missing"
    [[ $(sheet_pixel "$1" 141 700) == "0 0 0" ]] || fail "$1: back panel frame missing"
    [[ $(sheet_pixel "$1" 116 700) == "0 0 0" ]] || fail "$1: left spine frame missing"
}

index_bytes() { printf '%s\\Front.jpg\r\n%s\\Back.bmp\r\n%s\\Back.rtf\r\n' "$1" "$1" "$1"; }

setting() { sed -n "s/^$1=//p" "$settings" | tr -d '\r'; }

# ---------------------------------------------------------------------------
start_display

step "first start creates and shows the default project"
start_program
[[ -f "$data_dir/$default_name.qlp" ]] || fail "default index file not created"
for file in Front.jpg Back.bmp Back.rtf; do
    [[ -s "$data_dir/$default_name/$file" ]] || fail "default project file $file not created"
done
expect_main_window_on_screen
expect_icon "$main" "the main window"
[[ $(xprop -id "$main" WM_CLASS) == *'"qzLayer"'* ]] || fail "WM_CLASS is not the menu entry's StartupWMClass"
shot 01-start
expect_frames 01-start
(($(front_dark_pixels 01-start) > 1000)) || fail "the default front picture is not on the sheet"

step "type a spine text, apply, save the project"
type_spine_text "$album"
click_apply
shot 02-applied
click_save_project
message=$(wait_for_window '^qzLayer$') || fail "the save confirmation did not appear"
sleep 0.5
shot 03-saved
shot_window "$message" 03-confirmation
eval "$(xdotool getwindowgeometry --shell "$message")"
(($(count 03-confirmation 0 0 "$WIDTH" "$HEIGHT" dark) > 100)) || fail "the save confirmation shows no text"
(($(count 03-confirmation 0 0 "$WIDTH" "$HEIGHT" dark) < WIDTH * HEIGHT / 4)) ||
    fail "the save confirmation is not drawn"
cmp -s <(index_bytes "$album") "$data_dir/$album.qlp" || fail "index file of the saved project is wrong"
for file in Front.jpg Back.bmp Back.rtf; do
    [[ -s "$data_dir/$album/$file" ]] || fail "saved project lacks $file"
done
cmp -s "$data_dir/$default_name/Front.jpg" "$data_dir/$album/Front.jpg" ||
    fail "the front picture was re-encoded on saving"
wait_until_gone '^qzLayer$' 80 || fail "the save confirmation did not close by itself"
step "the confirmation ($message) closed by itself"

step "New clears the sheet"
click_new
shot 04-new
expect_frames 04-new
(($(front_dark_pixels 04-new) == 0)) || fail "New left the front picture on the sheet"

step "Read Project asks first about New's blank inlay, then brings the saved project back"
click_read_project
question=$(wait_for_window '^qzLayer$') || fail "Read Project did not ask about the unsaved inlay"
xdotool key alt+n
browser=$(wait_for_window '^qzLayer - Bladeren$') || fail "the project browser did not appear"
read -r X Y < <(client_origin "$browser")
shot_window "$browser" 05-browser
# The list is sorted by name: the saved album comes first.
xdotool mousemove $((X + $(scaled 60))) $((Y + $(scaled 9))) click 1
sleep 0.3
xdotool key Return
wait_until_gone '^qzLayer - Bladeren$' 50 || fail "the project browser did not close"
sleep 0.5
shot 06-reopened
expect_frames 06-reopened
(($(front_dark_pixels 06-reopened) > 1000)) || fail "the reopened project shows no front picture"

step "the back editor: the text has the focus, Escape closes it where it was"
xdotool key alt+b
editor=$(wait_for_window 'Tekst achterkant$') || fail "Alt+B did not open the back editor"
sleep 0.5
expect_icon "$editor" "the back editor"
read -r x y _ < <(frame_geometry "$editor")
[[ $x == 200 && $y == 100 ]] || fail "the back editor's frame is at ($x, $y), not at (200, 100)"
shot 06b-editor
# Typed straight into the text; the editor's Save (Alt+S) names its folder
# after the first line.
xdotool key ctrl+Home
xdotool type --delay 20 "Typed "
xdotool key alt+s
for _ in $(seq 50); do [[ -s "$data_dir/Typed $default_name/Back.rtf" ]] && break; sleep 0.1; done
[[ -s "$data_dir/Typed $default_name/Back.rtf" ]] || fail "typing did not reach the back text"
xdotool key Escape
wait_until_gone 'Tekst achterkant$' 30 || fail "Escape did not close the back editor"
[[ $(setting BackLeft) == 200 && $(setting BackTop) == 100 ]] ||
    fail "back editor not stored at (200, 100) but ($(setting BackLeft), $(setting BackTop))"
xdotool key alt+b
editor=$(wait_for_window 'Tekst achterkant$') || fail "the back editor did not open again"
sleep 0.5
read -r x y _ < <(frame_geometry "$editor")
[[ $x == 200 && $y == 100 ]] || fail "the back editor's frame came back at ($x, $y), not at (200, 100)"
# The typing is undone, so the back text shows what the back picture shows.
xdotool key ctrl+z
xdotool key Escape
wait_until_gone 'Tekst achterkant$' 30 || fail "Escape did not close the back editor again"
[[ $(setting BackLeft) == 200 && $(setting BackTop) == 100 ]] ||
    fail "back editor moved to ($(setting BackLeft), $(setting BackTop)) over a second showing"
# The editor's Save took its first line as the project name; Ctrl+S saves
# the project under the spine text again.
xdotool key ctrl+s
wait_for_window '^qzLayer$' >/dev/null || fail "Ctrl+S did not save the project"
wait_until_gone '^qzLayer$' 80 || fail "the save confirmation did not close by itself"

step "closing with an unsaved change asks; Escape stays, No closes without saving"
type_spine_text "unsaved change"
click_apply
python3 "$here/xtool.py" close "$main"
question=$(wait_for_window '^qzLayer$') || fail "the closing question did not appear"
expect_icon "$question" "the closing question"
shot_window "$question" 07-question
xdotool key Escape
wait_until_gone '^qzLayer$' 30 || fail "Escape did not close the question"
kill -0 "$app_pid" 2>/dev/null || fail "Escape on the closing question ended the program"
[[ ! -e $settings || -z $(setting Left) ]] || fail "Escape on the closing question stored the window"
python3 "$here/xtool.py" close "$main"
question=$(wait_for_window '^qzLayer$') || fail "the closing question did not come again"
xdotool key alt+n
end_program "after answering No ($question)"
[[ ! -e "$data_dir/unsaved change.qlp" ]] || fail "answering No saved the project"
first_left=$(setting Left) first_top=$(setting Top)
[[ $first_left == 200 && $first_top -le 2 ]] ||
    fail "window not stored at its frame's place (200, 0..2) but ($first_left, $first_top)"
[[ $(setting 'Project%20Name') == "$album" ]] || fail "project name not stored: $(setting 'Project%20Name')"

step "a second start reopens the saved project"
start_program
shot 08-second-start
expect_frames 08-second-start
(($(front_dark_pixels 08-second-start) > 1000)) || fail "second start shows no front picture"
expect_main_window_on_screen

step "starts and closes keep the window where it was"
for round in 1 2; do
    python3 "$here/xtool.py" close "$main"
    end_program "without unsaved changes (round $round)"
    [[ $(setting Left) == "$first_left" && $(setting Top) == "$first_top" ]] ||
        fail "round $round: the window crept to ($(setting Left), $(setting Top))"
    start_program
done
python3 "$here/xtool.py" close "$main"
end_program "without unsaved changes"

step "a PDF from the command line, from another folder, by a relative path"
elsewhere=$work/elsewhere
mkdir -p "$elsewhere"
(cd "$elsewhere" && DISPLAY= "$stage/bin/qzlayer" --pdf album.pdf "$album") 2>"$work/pdf.log" ||
    fail "qzlayer --pdf failed: $(cat "$work/pdf.log")"
[[ $(pdfinfo "$elsewhere/album.pdf" | sed -n 's/^Pages: *//p') == 1 ]] || fail "the PDF is not one page"
pdftotext "$elsewhere/album.pdf" - >"$work/pdf.txt"
grep -q "$album" "$work/pdf.txt" || fail "the spine text is not text in the PDF"
grep -q "Morning Dew on Brick" "$work/pdf.txt" || fail "the back text is not text in the PDF"

step "an index file named on the command line opens instead of the last project"
mkdir -p "$elsewhere/Plain"
cp "$data_dir/$album/Back.bmp" "$data_dir/$album/Back.rtf" "$elsewhere/Plain/"
convert -size 300x300 xc:white "$elsewhere/Plain/Front.jpg"
index_bytes Plain >"$elsewhere/Plain.qlp"
cd "$elsewhere"
start_program Plain.qlp
cd - >/dev/null
shot 09-named-project
expect_frames 09-named-project
(($(front_dark_pixels 09-named-project) == 0)) || fail "the named project's white front is not shown"
(($(front_white_pixels 09-named-project) > 1000)) || fail "the named project's front is missing"
python3 "$here/xtool.py" close "$main"
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not close after opening a named project"
app_pid=
[[ $(setting 'Project%20Name') == "$album" ]] ||
    fail "a project from elsewhere replaced the remembered one: $(setting 'Project%20Name')"

step "the menu entry opens the project file that a file manager passes"
entry=$(ls "$stage"/share/applications/*.desktop)
command_line=$(sed -n 's/^Exec=//p' "$entry")
[[ $command_line == *' %f' ]] || fail "the menu entry does not take a file: $command_line"
"$stage/bin/${command_line%% *}" "$elsewhere/Plain.qlp" >"$work/app.log" 2>&1 &
app_pid=$!
main=$(wait_for_window '^qzLayer - version') || fail "the main window did not appear"
sleep 1
read -r win_x win_y < <(client_origin "$main")
sheet_x=$win_x sheet_y=$((win_y + $(scaled 179)))
shot 10-from-file-manager
(($(front_dark_pixels 10-from-file-manager) == 0)) || fail "the passed project's white front is not shown"
python3 "$here/xtool.py" close "$main"
end_program "after opening the passed project"

passed=true
step "passed"
