10. 0. -150. 0. 31 8          dX, dZ, X0, Z0, nPos, nSpac
0. 0. 0. 0. 0. 18 0          XA, ZA, XB, ZB, XMN, keyArr, iDir
