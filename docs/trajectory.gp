# 20 s of the jelly cube at 60 fps: the centre's height and the lowest particle over time,
# from a jellycube-trace summary. make plot: gnuplot -e "csv='...'; png='...'" trajectory.gp
set terminal pngcairo size 900,500 font ",10"
set output png
set datafile separator ","
set key autotitle columnhead top right
set title "Jelly cube, 20 s at 60 fps: height over time"
set xlabel "time (s)"
set ylabel "height above the floor (world units)"
set xrange [0:20]
set yrange [0:*]
set grid
set arrow from 3, graph 0 to 3, graph 1 nohead dashtype 2 linecolor rgb "gray50"
set label "lift starts" at 3.15, graph 0.95
plot csv using "time":"cy" with lines linewidth 2 linecolor rgb "#1f6fb4" title "centre (mean of the 125 particles)", \
     "" using "time":"min_y" with lines linewidth 1 linecolor rgb "#d9541e" title "lowest particle"
