/* The program's string table, one source for the resource script and for the
   tools that run the core without Windows. UTF-8; the resource compiler stores
   it as UTF-16. Even ids are English, the odd id after each is Chinese. */
#ifndef DRIVORA_STRING_TEXTS_H
#define DRIVORA_STRING_TEXTS_H

#define TEXT_2  "Browse CD"
#define TEXT_3  "浏览CD"
#define TEXT_4  "Browser CD-ROM..."
#define TEXT_5  "浏览这张光盘..."
#define TEXT_6  "Exit"
#define TEXT_7  "退出"
#define TEXT_8  "Exit, then restart the computer."
#define TEXT_9  "所有程序安装完毕，\n必需单击此键退出并重新启动。"
#define TEXT_10 "Install:Mainboard device drivers..."
#define TEXT_11 "安装：主板驱动程序..."
#define TEXT_12 "Copyright (C) Drivora. All rights reserved."
#define TEXT_13 "版权所有 (C) Drivora。保留所有权利。"
#define TEXT_14 "Not support Window NT..."
#define TEXT_15 "不支持Windows NT...\n浏览这张光盘?"
#define TEXT_16 "EXPLORER.EXIT.INTEL.VIA.SIS.INF.VXD.IDE.VGA.SOUND.LAN.USB.1394.RAID.DIRECTX.PCC.MONITOR.BIOS.APP.TWIN.OTHER.RST.END"
#define TEXT_17 TEXT_16
#define TEXT_18 "Drivora..."
#define TEXT_19 TEXT_18
#define TEXT_20 "Drivora...\n  Version 1.1"
#define TEXT_21 TEXT_20
#define TEXT_22 "Restart your computer?"
#define TEXT_23 "建议重新启动计算机。\n现在重新启动计算机?"

#endif
